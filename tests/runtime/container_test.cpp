#include <gtest/gtest.h>

#include "runtime/runtime.h"

using namespace hi;

namespace {

std::vector<std::string> gLog;

// A stand-in form: registers its start-up action when built, like every form element.
class Form : public TDebug {
 public:
  explicit Form(std::string name) : name_(std::move(name)) {
    Startup().add([](void* self) { static_cast<Form*>(self)->start(); }, this);
    EmitString(onCreate, "during building");  // inert: must have no effect
  }
  ~Form() { gLog.push_back("destroy " + name_); }
  TLink onCreate;
  void start() {
    EmitString(onCreate, name_);
    visible = true;
    gLog.push_back("show " + name_);
  }
  bool visible = false;

 private:
  std::string name_;
};

class Echo : public TDebug {
 public:
  TLink onOut, Text;
  std::string stored = "stored";
  void doLog(TData& d, uint16_t) { gLog.push_back("log " + ToString(d)); }
  // Forwards its read value: the forward must reach the caller across the container border.
  void doRead(TData& d, uint16_t) { ForwardString(d, onOut, ReadString(d, Text, "")); }
  void Value(TData& d, uint16_t) { d = TData::Str(stored); }
};

// Inputs: 0 read-and-forward, 1 unlinked. Outputs: 0. Data inputs: 0. Readables: 0 linked, 1 not.
class Child : public TClassMultiBase {
 public:
  Child(TOuterSide& owner, ControlParent parent) : TClassMultiBase(owner, parent, 2, 2) {
    work<&Echo::doRead>(0, echo);
    out(echo.onOut, 0);
    in(echo.Text, 0);
    var<&Echo::Value>(0, echo);
    link<&Echo::doLog>(form.onCreate, echo);
  }
  Form form{"child"};
  Echo echo;
};

class Root : public TRootContainer {
 public:
  Root() {
    link<&Echo::doLog>(form.onCreate, sink);
    link<&Echo::doLog>(child.onEvent[0], sink);
    link<&Echo::Value>(child.Data[0], source);
    inner = &child.build<Child>(nullptr);
  }
  ~Root() override { gLog.push_back("destroy root"); }
  Form form{"main"};
  Echo sink, source;
  THIMultiElement child{1, 1};
  Child* inner = nullptr;
};

class ScriptedLoop : public MessageLoop {
 public:
  std::function<int()> body;
  int run() override { return body(); }
};

}  // namespace

TEST(Containers, StartUpOrderBordersAndTearDown) {
  gLog.clear();
  ScriptedLoop loop;
  Root* root = nullptr;
  loop.body = [&] {
    // Start-up ran each form in creation order, each shown only after its own start-up event.
    EXPECT_EQ(gLog, (std::vector<std::string>{"log main", "show main", "log child", "show child"}));
    gLog.clear();

    TLink in0, in1, var0, var1;
    link<&THIMultiElement::doWork>(in0, root->child, 0);
    link<&THIMultiElement::doWork>(in1, root->child, 1);
    link<&THIMultiElement::Var>(var0, root->child, 0);
    link<&THIMultiElement::Var>(var1, root->child, 1);
    // Crossing the border keeps the caller's record, so the inner forward reaches the caller.
    root->source.stored = "from parent";
    TData d;
    Fire(in0, d);
    EXPECT_EQ(gLog, std::vector<std::string>{"log from parent"});
    EXPECT_EQ(d.text, "from parent");

    // An input linked to nothing inside does nothing.
    gLog.clear();
    TData untouched = TData::Int(3);
    Fire(in1, untouched);
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(untouched.integer, 3);

    // Readable 0 answers from inside; readable 1 has no data, so the reader's default applies.
    TData none;
    EXPECT_EQ(ReadString(none, var0, "dflt"), "stored");
    EXPECT_EQ(ReadString(none, var1, "dflt"), "dflt");

    // An unlinked data input of the container reads as no data inside.
    root->child.Data[0] = TLink();
    TData fromIncoming = TData::Str("incoming");
    Fire(in0, fromIncoming);
    EXPECT_EQ(fromIncoming.text, "incoming");

    // A child built after the start runs its own start-up action; the list runs whole, so an
    // action registered before the child runs too, first.
    gLog.clear();
    {
      Form outer("outer");
      THIMultiElement side(1, 1);
      side.build<Child>(nullptr);
      EXPECT_EQ(gLog, (std::vector<std::string>{"show outer", "log child", "show child"}));
      EXPECT_EQ(Startup().pending(), 0u);
    }
    gLog.clear();
    return 7;
  };
  int code = RunProgram(loop, [&] {
    auto r = std::make_unique<Root>();
    root = r.get();
    EXPECT_FALSE(LoopsLive());
    EXPECT_EQ(Startup().pending(), 2u);
    return r;
  });
  EXPECT_EQ(code, 7);
  EXPECT_FALSE(LoopsLive());
  // Destruction is the reverse of creation: the child container before the form built first.
  EXPECT_EQ(gLog, (std::vector<std::string>{"destroy root", "destroy child", "destroy main"}));
}
