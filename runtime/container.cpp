#include "runtime/container.h"

#include <utility>

#include "runtime/startup.h"

namespace hi {

THIEditMulti::THIEditMulti(TOuterSide& outer, TClassMultiBase& container, int works, int vars)
    : outer(&outer),
      container(&container),
      Works(static_cast<size_t>(works)),
      Vars(static_cast<size_t>(vars)) {}

void THIEditMulti::doEvent(TData& data, uint16_t index) {
  if (index >= outer->onEvent.size()) return;
  outer->enterFiring(container);
  Fire(outer->onEvent[index], data);
  outer->leaveFiring();
}

void THIEditMulti::Data(TData& data, uint16_t index) {
  if (index >= outer->Data.size() || !outer->Data[index].linked()) {
    data.type = dtNoData;
    return;
  }
  Read(outer->Data[index], data);
}

namespace {
void WorkOn(TClassMultiBase* child, TData& data, uint16_t index) {
  if (child && index < child->inner.Works.size()) Fire(child->inner.Works[index], data);
}

void VarOf(TClassMultiBase* child, TData& data, uint16_t index) {
  if (!child || index >= child->inner.Vars.size() || !child->inner.Vars[index].linked()) {
    data.type = dtNoData;
    return;
  }
  Read(child->inner.Vars[index], data);
}
}  // namespace

namespace detail {
std::unique_ptr<TClassMultiBase> BuildChild(std::unique_ptr<TClassMultiBase> (*make)(TOuterSide&,
                                                                                     ControlParent,
                                                                                     void*),
                                            TOuterSide& owner, ControlParent parent, void* arg) {
  StartupActions& actions = Startup();
  const bool started = actions.started();
  if (started) actions.setStarted(false);
  std::unique_ptr<TClassMultiBase> child = make(owner, parent, arg);
  if (started) actions.run();
  return child;
}
}  // namespace detail

THIMultiElement::~THIMultiElement() = default;

TClassMultiBase* THIMultiElement::buildNow() {
  if (!child_ && factory_) {
    // Cleared first: a child whose building reaches its own outer side finds it under way.
    auto make = std::exchange(factory_, nullptr);
    child_ = detail::BuildChild(make, *this, parent_, nullptr);
  }
  return child_.get();
}

void THIMultiElement::doWork(TData& data, uint16_t index) { WorkOn(buildNow(), data, index); }

void THIMultiElement::Var(TData& data, uint16_t index) { VarOf(buildNow(), data, index); }

THIMultiElementEx::~THIMultiElementEx() {
  while (!instances_.empty()) instances_.pop_back();  // last first
}

template <class F>
void THIMultiElementEx::withInstance(F&& use) {
  if (current_) {
    use(current_);
    return;
  }
  if (!factory_) return;
  // No current instance: a temporary one serves this one call.
  std::unique_ptr<TClassMultiBase> temporary =
      detail::BuildChild(factory_, *this, parent_, nullptr);
  use(temporary.get());
}

void THIMultiElementEx::doWork(TData& data, uint16_t index) {
  withInstance([&](TClassMultiBase* c) { WorkOn(c, data, index); });
}

void THIMultiElementEx::Var(TData& data, uint16_t index) {
  withInstance([&](TClassMultiBase* c) { VarOf(c, data, index); });
}

void THIMultiElementEx::enterFiring(TClassMultiBase* instance) {
  firingStack_.push_back(firing_);
  firing_ = instance;
}

void THIMultiElementEx::leaveFiring() {
  firing_ = firingStack_.empty() ? nullptr : firingStack_.back();
  if (!firingStack_.empty()) firingStack_.pop_back();
}

}  // namespace hi
