#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include "platform/time_host.h"
#include "tests/ui/ui_support.h"
#include "ui/ui.h"

using namespace hi;
using uitest::Sink;
using uitest::UiTest;
using Lines = std::vector<std::string>;

namespace {
TData Chain(std::initializer_list<TData> values) {
  TData head;
  for (const TData& v : values) AppendChain(head, v);
  return head;
}
}  // namespace

TEST_F(UiTest, CheckBoxStateByValueAndOperatorClickOrder) {
  ThiCheckBoxRush box(parent());
  box.setBounds(10, 10, 120, 20);
  box.setCaption("Transmit CT");
  link<&Sink::doLog>(box.onCheck, sink, 0);
  link<&Sink::doLog>(box.onClick, sink, 1);

  TData text0 = TData::Str("0");
  box.doCheck(text0, 0);  // a text is true, even the text 0
  EXPECT_TRUE(box.checked());
  TData int0 = TData::Int(0);
  box.doCheck(int0, 0);
  EXPECT_FALSE(box.checked());
  EXPECT_EQ(sink.lines, (Lines{"0:1", "0:0"}));

  sink.lines.clear();
  QTest::mouseClick(box.widget(), Qt::LeftButton, {}, QPoint(6, 10));
  EXPECT_EQ(sink.lines, (Lines{"0:1", "1:1"}));
  TData read;
  box.Checked(read, 0);
  EXPECT_EQ(read.integer, 1);
  sink.lines.clear();
  QTest::keyClick(box.widget(), Qt::Key_Space);
  EXPECT_EQ(sink.lines, (Lines{"0:0", "1:0"}));
}

TEST_F(UiTest, RadioButtonsAreExclusiveToTheOperatorButNotToThePanels) {
  ThiRadioButtonRush scroll(parent()), page(parent());
  scroll.setBounds(10, 10, 100, 20);
  page.setBounds(10, 40, 100, 20);
  link<&Sink::doLog>(page.onClick, sink, 0);
  TData one = TData::Int(1);
  scroll.doCheck(one, 0);
  QTest::mouseClick(page.widget(), Qt::LeftButton, {}, QPoint(6, 10));
  EXPECT_TRUE(page.checked());
  EXPECT_FALSE(scroll.checked());
  QTest::mouseClick(page.widget(), Qt::LeftButton, {}, QPoint(6, 10));
  EXPECT_TRUE(page.checked());  // clicking again keeps it
  EXPECT_EQ(sink.lines, (Lines{"0:1", "0:1"}));
  TData zero = TData::Int(0);
  page.doCheck(zero, 0);  // the panels may clear every button
  EXPECT_FALSE(page.checked());
  EXPECT_EQ(sink.lines.size(), 2u);
}

TEST_F(UiTest, ComboBoxSelectsReportsAndFillsFromText) {
  THIComboBox list(parent());
  list.setBounds(10, 10, 165, 21);
  list.setItems("Tessel 10(Stand Alone)\r\nTessel 20(Stand Alone)\r\nTessel 20(Last On)");
  link<&Sink::doLog>(list.onSelect, sink, 0);
  link<&Sink::doLog>(list.onChange, sink, 1);
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.selected(), -1);

  TData five = TData::Int(5);
  list.doSelect(five, 0);
  TData two = TData::Int(2);
  list.doSelect(two, 0);
  TData selected;
  list.String(selected, 0);
  EXPECT_EQ(selected.text, "Tessel 20(Last On)");
  list.doSelect(five, 0);
  list.String(selected, 0);
  EXPECT_TRUE(selected.isNull());
  EXPECT_EQ(sink.lines, (Lines{"0:-1", "0:2", "0:-1"}));

  // The operator's choice, by keyboard: onChange only.
  sink.lines.clear();
  list.widget()->setFocus();
  QTest::keyClick(list.widget(), Qt::Key_Down);
  QTest::keyClick(list.widget(), Qt::Key_Down);
  EXPECT_EQ(sink.lines, (Lines{"1:0", "1:1"}));

  // Text mode, filled item by item: adding never selects.
  THIComboBox ports(parent());
  ports.textMode = true;
  ports.setText("COM-Port");
  link<&Sink::doLog>(ports.onSelect, sink, 2);
  for (const char* name : {"COM 1", "COM 3"}) {
    TData item = TData::Str(name);
    ports.doAdd(item, 0);
  }
  EXPECT_EQ(ports.selected(), -1);
  sink.lines.clear();
  TData one = TData::Int(1);
  ports.doSelect(one, 0);
  ports.doSelect(five, 0);
  EXPECT_EQ(sink.lines, (Lines{"2:'COM 3'", "2:''"}));
  TData name = TData::Str("COM 1");
  ports.doSelectString(name, 0);
  EXPECT_EQ(ports.selected(), 0);
  TData missing = TData::Str("com 1");
  ports.doSelectString(missing, 0);
  EXPECT_EQ(ports.selected(), -1);
  EXPECT_EQ(sink.lines.size(), 2u);  // selecting by text fires nothing
  TData count;
  ports.Count(count, 0);
  EXPECT_EQ(count.integer, 2);
  ports.doClear(count, 0);
  EXPECT_EQ(ports.count(), 0);
}

TEST_F(UiTest, EditReportsEveryChangeButNotItsCreationText) {
  THIEdit edit(parent());
  edit.setBounds(10, 10, 200, 21);
  link<&Sink::doLog>(edit.onChangeText, sink, 0);
  link<&Sink::doLog>(edit.onEnter, sink, 1);
  edit.setText("7C6F");
  EXPECT_TRUE(sink.lines.empty());
  TData next = TData::Str("1234");
  edit.doText(next, 0);
  EXPECT_EQ(sink.lines, (Lines{"0:'1234'"}));

  // doText keeps the caret where it was.
  auto* line = static_cast<QLineEdit*>(edit.widget());
  line->setCursorPosition(2);
  TData longer = TData::Str("123456");
  edit.doText(longer, 0);
  EXPECT_EQ(line->cursorPosition(), 2);

  sink.lines.clear();
  line->setFocus();
  line->setCursorPosition(6);
  QTest::keyClicks(line, "ab");
  QTest::keyClick(line, Qt::Key_Backspace);
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(sink.lines, (Lines{"0:'123456a'", "0:'123456ab'", "0:'123456a'", "1:'123456a'"}));
}

TEST_F(UiTest, EditTextCrossesQtInTheProgramsCodePage) {
  THIEdit edit(parent());
  edit.setBounds(10, 10, 200, 21);
  auto* line = static_cast<QLineEdit*>(edit.widget());
  TData bytes = TData::Str("Caf\xE9 \x80 \x93ok\x94");
  edit.doText(bytes, 0);
  EXPECT_EQ(line->text(), QString::fromUtf8("Café € “ok”"));
  TData read;
  edit.Text(read, 0);
  EXPECT_EQ(read.text, "Caf\xE9 \x80 \x93ok\x94");

  line->setFocus();
  line->setText(QString());
  for (const QString& typed : {QString::fromUtf8("Ж"), QString::fromUtf8("ü")}) {
    QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, typed, Qt::NoModifier);
  }
  edit.Text(read, 0);
  EXPECT_EQ(read.text, "?\xFC");
}

TEST_F(UiTest, ButtonClickFiresItsDataAndStyleColoursAreDrawn) {
  ThiButtonRush button(parent());
  button.setBounds(10, 10, 75, 55);
  button.setCaption("Select\r\ndevice");
  button.data = TData::Int(3);
  link<&Sink::doLog>(button.onClick, sink, 0);
  QTest::mouseClick(button.widget(), Qt::LeftButton);
  EXPECT_EQ(sink.lines, (Lines{"0:3"}));

  // The page buttons' selected style, also while hovered, without gloss (12) and border (11).
  TData style;
  for (int i = 0; i < 21; ++i) {
    AppendChain(style, TData::Str(i == 2 || i == 6     ? "16761378"
                                  : i == 3 || i == 7   ? "16711680"
                                  : i == 11 || i == 12 ? "0"
                                                       : "-1"));
  }
  const ThiButtonRush::Style before = button.style();
  button.doStyle(style, 0);
  EXPECT_EQ(button.style()[2], 16761378);
  EXPECT_EQ(button.style()[3], 16711680);
  EXPECT_EQ(button.style()[1], before[1]);  // -1 leaves a value alone
  const QImage image = button.widget()->grab().toImage();
  const int x = image.width() / 2;
  const QColor top = image.pixelColor(x, 1), bottom = image.pixelColor(x, image.height() - 2);
  EXPECT_NEAR(top.red(), 34, 8);
  EXPECT_NEAR(top.green(), 194, 8);
  EXPECT_NEAR(bottom.red(), 0, 8);
  EXPECT_NEAR(bottom.green(), 0, 8);
  EXPECT_NEAR(bottom.blue(), 255, 8);

  // A short chain changes only what it holds.
  TData partial = Chain({TData::Int(-1), TData::Int(7)});
  button.doStyle(partial, 0);
  EXPECT_EQ(button.style()[1], 7);
  EXPECT_EQ(button.style()[2], 16761378);
}

TEST_F(UiTest, CommonPointsMoveRaiseHideAndReportTheMouse) {
  THIPanelRush lower(parent()), upper(parent());
  lower.setBounds(20, 20, 200, 100);
  upper.setBounds(20, 20, 200, 100);
  TData hide = TData::Int(0);
  lower.doVisible(hide, 0);
  EXPECT_FALSE(lower.visible());
  TData none;
  lower.doBringToFront(none, 0);
  EXPECT_TRUE(lower.visible());
  EXPECT_EQ(host.childAt(50, 50), lower.widget());
  EXPECT_EQ(lower.left(), 20);  // neither moved nor sized
  EXPECT_EQ(lower.width(), 200);

  TData text0 = TData::Str("0");
  upper.doVisible(hide, 0);
  upper.doVisible(text0, 0);
  EXPECT_TRUE(upper.visible());

  TData top = TData::Int(60);
  upper.doPosition(top, 0);
  EXPECT_EQ(upper.top(), 60);
  EXPECT_EQ(upper.left(), 20);
  EXPECT_EQ(upper.height(), 100);

  TData handle;
  upper.Handle(handle, 0);
  EXPECT_EQ(WidgetFromHandle(handle.integer), upper.widget());

  link<&Sink::doLog>(lower.onMouseDown, sink, 0);
  link<&Sink::doLog>(lower.onClick, sink, 1);
  link<&Sink::doLog>(lower.onMouseUp, sink, 2);
  QTest::mouseClick(lower.widget(), Qt::RightButton, {}, QPoint(5, 5));
  QTest::mouseClick(lower.widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(sink.lines, (Lines{"0:1", "2:1", "0:0", "1:null", "2:0"}));

  TData off = TData::Int(0);
  lower.doEnabled(off, 0);
  EXPECT_FALSE(lower.enabled());
}

TEST_F(UiTest, FontRecordsApplyWithAFallbackFace) {
  THILabel label(parent());
  label.setCaption("Device:");
  TFontRecord font{"MS Sans Serif", 12, 1, 0x0000FF, 1};
  TData record = TData::Font(std::make_shared<TFontRecord>(font));
  label.doFont(record, 0);
  const QFont applied = label.widget()->font();
  EXPECT_EQ(applied.pixelSize(), 16);  // (12 * 96 + 36) / 72
  EXPECT_TRUE(applied.bold());
  EXPECT_EQ(label.widget()->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  label.setCaption("Max 8\r\nsymbols!");
  TData read;
  label.Text(read, 0);
  EXPECT_EQ(read.text, "Max 8\r\nsymbols!");
  TData linked = TData::Str("from the call");
  sink.answer = TData::Str("from the link");
  link<&Sink::Value>(label.TextData, sink);
  label.doText(linked, 0);
  EXPECT_EQ(label.caption(), "from the link");
}

TEST_F(UiTest, UpDownClampsAndLedToggles) {
  THIUpDown period(parent());
  period.setBounds(169, 218, 17, 21);
  period.setRange(10, 20);
  period.setPosition(10);
  link<&Sink::doLog>(period.onPosition, sink, 0);
  TData thirty = TData::Int(30);
  period.doPosition(thirty, 0);
  TData read;
  period.Position(read, 0);
  EXPECT_EQ(read.integer, 20);
  EXPECT_EQ(period.top(), 218);  // the common doPosition does not apply here
  TData minus = TData::Int(-4);
  period.doPosition(minus, 0);
  EXPECT_EQ(sink.lines, (Lines{"0:20", "0:10"}));

  sink.lines.clear();
  QWidget* up = period.widget()->childAt(8, 3);
  QWidget* down = period.widget()->childAt(8, 18);
  ASSERT_TRUE(up && down);
  QTest::mouseClick(down, Qt::LeftButton);  // already at the bottom: nothing
  QTest::mouseClick(up, Qt::LeftButton);
  EXPECT_EQ(sink.lines, (Lines{"0:11"}));

  THILED led(parent());
  link<&Sink::doLog>(led.onSwitch, sink, 1);
  TData none;
  led.doSwitch(none, 0);
  led.doSwitch(none, 0);
  EXPECT_EQ(sink.lines, (Lines{"0:11", "1:1", "1:0"}));
}

TEST_F(UiTest, HintShowsAfterItsDelayForItsDisplayTime) {
  platform::VirtualTimeHost time;
  platform::SetTimeHost(&time);
  {
    THIHintManager manager;
    THIImgBtn close(parent());
    close.setBounds(100, 100, 32, 27);
    close.setHint("Close");
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(close.widget(), &enter);
    time.advance(499);
    auto shown = HintController::acquire();
    EXPECT_EQ(shown->shownHint(), nullptr);
    time.advance(1);
    ASSERT_NE(shown->shownHint(), nullptr);
    EXPECT_EQ(static_cast<QLabel*>(shown->shownHint())->text(), "Close");
    time.advance(4999);
    EXPECT_NE(shown->shownHint(), nullptr);
    time.advance(1);
    EXPECT_EQ(shown->shownHint(), nullptr);

    // Leaving before the delay shows nothing.
    QCoreApplication::sendEvent(close.widget(), &enter);
    time.advance(300);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(close.widget(), &leave);
    time.advance(1000);
    EXPECT_EQ(shown->shownHint(), nullptr);
  }
  platform::SetTimeHost(nullptr);
}
