#include "runtime/startup.h"

#include "runtime/points.h"

namespace hi {

void StartupActions::add(Action action, void* argument) { actions_.emplace_back(action, argument); }

void StartupActions::run() {
  for (size_t i = 0; i < actions_.size(); ++i) {
    auto [action, argument] = actions_[i];
    action(argument);
  }
  actions_.clear();
  started_ = true;
}

void StartupActions::reset() {
  actions_.clear();
  started_ = false;
}

StartupActions& Startup() {
  static StartupActions actions;
  return actions;
}

int RunProgram(MessageLoop& loop, const std::function<std::unique_ptr<TRootContainer>()>& build) {
  SetLoopsLive(false);
  std::unique_ptr<TRootContainer> root = build();
  loop.prepare(*root);
  SetLoopsLive(true);
  Startup().run();
  const int code = loop.run();
  SetLoopsLive(false);
  root.reset();
  return code;
}

void ResetRuntime() {
  SetLoopsLive(false);
  Startup().reset();
}

}  // namespace hi
