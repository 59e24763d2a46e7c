// The start-up action list and the program's life from building to destruction.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace hi {

class StartupActions {
 public:
  using Action = void (*)(void*);
  void add(Action action, void* argument);
  // Runs every action in registration order, also those added while running; then the list
  // is empty and the started flag is set.
  void run();
  bool started() const { return started_; }
  void setStarted(bool started) { started_ = started; }
  size_t pending() const { return actions_.size(); }
  void reset();

 private:
  std::vector<std::pair<Action, void*>> actions_;
  bool started_ = false;
};

StartupActions& Startup();

// The root of the container tree (the main window's container).
class TRootContainer {
 public:
  virtual ~TRootContainer() = default;
};

// The host's message loop, as the program sequence sees it.
class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  // Called after the tree is built, before the loops go live (the application object takes the
  // visibility of the main form).
  virtual void prepare(TRootContainer&) {}
  // Dispatches messages until the application ends; returns the exit code.
  virtual int run() = 0;
};

// Builds the tree inert, makes the loops live, runs the start-up actions in creation order,
// runs the message loop, makes the loops inert again and destroys the tree.
int RunProgram(MessageLoop& loop, const std::function<std::unique_ptr<TRootContainer>()>& build);

// Back to the state before building: loops inert, no start-up actions, started flag cleared.
void ResetRuntime();

}  // namespace hi
