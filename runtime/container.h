// Containers: a panel, window or reusable sub-graph that owns its elements and shows its
// parent a few points of its own, carried across its border by an outer and an inner side.
//
// A container is one class derived from TClassMultiBase. Its elements are data members in
// creation order (so they are destroyed in reverse); its constructor sets their properties,
// makes the links, and builds its child containers last:
//
//   class PiPanel : public TClassMultiBase {
//    public:
//     PiPanel(TOuterSide& owner, ControlParent parent) : TClassMultiBase(owner, parent, 1, 1) {
//       work<&THIHub::doEvent>(0, hub);                 // input 0 of the container
//       link<&THIFormatStr::doString>(hub.onEvent[0], formatter);
//       out(formatter.onFString, 0);                    // output 0 of the container
//       in(formatter.Str[3], 0);                        // data input 0 of the container
//     }
//     THIHub hub;
//     THIFormatStr formatter;
//   };
//
// Its parent holds `THIMultiElement pi{1, 1};` (one output, one data input) and calls
// `pi.build<PiPanel>(parent)` after its own links.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "runtime/points.h"

namespace hi {

// The window into which a container places its visual elements; its meaning belongs to the
// window layer.
using ControlParent = void*;

class TClassMultiBase;
class THIEditMulti;

// What the inner side needs of whichever outer side created it.
class TOuterSide : public TDebug {
 public:
  TOuterSide(int events, int datas)
      : onEvent(static_cast<size_t>(events)), Data(static_cast<size_t>(datas)) {}
  TLinks onEvent;  // the child's outputs, linked to elements of the parent
  TLinks Data;     // the child's data inputs, linked to readables of the parent
 protected:
  friend class THIEditMulti;
  virtual void enterFiring(TClassMultiBase*) {}
  virtual void leaveFiring() {}

 public:
  virtual ~TOuterSide() = default;
};

// The inner side: fires the container's outputs and reads its data inputs.
class THIEditMulti : public TDebug {
 public:
  THIEditMulti(TOuterSide& outer, TClassMultiBase& container, int works, int vars);
  TOuterSide* outer;
  TClassMultiBase* container;
  TLinks Works;  // input i of the container
  TLinks Vars;   // readable i of the container

  void doEvent(TData& data, uint16_t index);
  void Data(TData& data, uint16_t index);
};

class TClassMultiBase {
 public:
  TClassMultiBase(TOuterSide& owner, ControlParent parent, int works, int vars)
      : inner(owner, *this, works, vars), owner_(owner), parent_(parent) {}
  virtual ~TClassMultiBase() = default;
  TClassMultiBase(const TClassMultiBase&) = delete;
  TClassMultiBase& operator=(const TClassMultiBase&) = delete;

  THIEditMulti inner;

  TOuterSide& ownerElement() const { return owner_; }
  ControlParent controlParent() const { return parent_; }

 protected:
  // Links input i of the container to the method M of an inner element.
  template <auto M>
  void work(uint16_t i, MethodOwnerOf<M>& target, uint16_t index = 0) {
    link<M>(inner.Works.at(i), target, index);
  }
  // Links readable i of the container to the readable M of an inner element.
  template <auto M>
  void var(uint16_t i, MethodOwnerOf<M>& target, uint16_t index = 0) {
    link<M>(inner.Vars.at(i), target, index);
  }
  // Links an inner event to output i of the container.
  void out(TLink& from, uint16_t i) { link<&THIEditMulti::doEvent>(from, inner, i); }
  // Links an inner data input to data input i of the container.
  void in(TLink& from, uint16_t i) { link<&THIEditMulti::Data>(from, inner, i); }

 private:
  TOuterSide& owner_;
  ControlParent parent_;
};

namespace detail {
// Builds a child; a child built after start-up runs the start-up actions it registered.
std::unique_ptr<TClassMultiBase> BuildChild(std::unique_ptr<TClassMultiBase> (*make)(TOuterSide&,
                                                                                     ControlParent,
                                                                                     void*),
                                            TOuterSide& owner, ControlParent parent, void* arg);
}  // namespace detail

// The outer side: the element of the parent that stands for a whole child container.
class THIMultiElement : public TOuterSide {
 public:
  THIMultiElement(int events = 0, int datas = 0) : TOuterSide(events, datas) {}
  ~THIMultiElement();
  THIMultiElement(const THIMultiElement&) = delete;
  THIMultiElement& operator=(const THIMultiElement&) = delete;

  // Creates the child container C at once (the program builds every child on creation).
  template <class C>
  C& build(ControlParent parent) {
    child_ = detail::BuildChild(
        [](TOuterSide& o, ControlParent p, void*) -> std::unique_ptr<TClassMultiBase> {
          return std::make_unique<C>(o, p);
        },
        *this, parent, nullptr);
    return static_cast<C&>(*child_);
  }

  // Leaves the child C to be built at its first use or at buildNow(), so that a page the window
  // does not show at start costs nothing before the window is on the screen.
  template <class C>
  void buildLater(ControlParent parent) {
    factory_ = [](TOuterSide& o, ControlParent p, void*) -> std::unique_ptr<TClassMultiBase> {
      return std::make_unique<C>(o, p);
    };
    parent_ = parent;
  }
  // The child, built now if it was left for later; nullptr when there is none.
  TClassMultiBase* buildNow();

  TClassMultiBase* child() const { return child_.get(); }

  void doWork(TData& data, uint16_t index);
  void Var(TData& data, uint16_t index);

 private:
  std::unique_ptr<TClassMultiBase> child_;
  std::unique_ptr<TClassMultiBase> (*factory_)(TOuterSide&, ControlParent, void*) = nullptr;
  ControlParent parent_ = nullptr;
};

// The outer side of a child that may exist in several instances. The program creates exactly
// one instance when the factory is set, so it behaves as THIMultiElement; the instance that is
// firing an output is tracked as a stack for the inner side.
class THIMultiElementEx : public TOuterSide {
 public:
  THIMultiElementEx(int events = 0, int datas = 0) : TOuterSide(events, datas) {}
  ~THIMultiElementEx();
  THIMultiElementEx(const THIMultiElementEx&) = delete;
  THIMultiElementEx& operator=(const THIMultiElementEx&) = delete;

  template <class C>
  C& build(ControlParent parent) {
    factory_ = [](TOuterSide& o, ControlParent p, void*) -> std::unique_ptr<TClassMultiBase> {
      return std::make_unique<C>(o, p);
    };
    parent_ = parent;
    instances_.push_back(detail::BuildChild(factory_, *this, parent, nullptr));
    current_ = instances_.back().get();
    return static_cast<C&>(*current_);
  }

  TClassMultiBase* current() const { return current_; }
  TClassMultiBase* firing() const { return firing_; }

  void doWork(TData& data, uint16_t index);
  void Var(TData& data, uint16_t index);

 protected:
  void enterFiring(TClassMultiBase* instance) override;
  void leaveFiring() override;

 private:
  template <class F>
  void withInstance(F&& use);

  std::unique_ptr<TClassMultiBase> (*factory_)(TOuterSide&, ControlParent, void*) = nullptr;
  ControlParent parent_ = nullptr;
  std::vector<std::unique_ptr<TClassMultiBase>> instances_;
  TClassMultiBase* current_ = nullptr;
  TClassMultiBase* firing_ = nullptr;
  std::vector<TClassMultiBase*> firingStack_;
};

// The inner side of a multi-instance child. Firing through it records the instance.
using THIEditMultiEx = THIEditMulti;

}  // namespace hi
