#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include "platform/time_host.h"
#include "tests/ui/ui_support.h"
#include "ui/ui.h"

using namespace hi;
using uitest::Do;
using uitest::Get;
using uitest::UiTest;
using Lines = std::vector<std::string>;
using D = TData;

TEST_F(UiTest, CheckAndRadioButtonsByValueAndByOperator) {
  ThiCheckBoxRush box(parent());
  box.setBounds(10, 10, 120, 20);
  Log(box.onCheck, 0);
  Log(box.onClick, 1);
  Do(box, &ThiCheckBoxRush::doCheck, D::Str("0"));  // a text is true, even the text 0
  EXPECT_TRUE(box.checked());
  Do(box, &ThiCheckBoxRush::doCheck, D::Int(0));
  EXPECT_FALSE(box.checked());
  QTest::mouseClick(box.widget(), Qt::LeftButton, {}, QPoint(6, 10));
  EXPECT_EQ(Get(box, &ThiCheckBoxRush::Checked).integer, 1);
  QTest::keyClick(box.widget(), Qt::Key_Space);
  EXPECT_EQ(sink.lines, (Lines{"0:1", "0:0", "0:1", "1:1", "0:0", "1:0"}));

  // Exclusive to the operator, but the panels may clear every button.
  ThiRadioButtonRush scroll(parent()), page(parent());
  scroll.setBounds(10, 40, 100, 20);
  page.setBounds(10, 70, 100, 20);
  sink.lines.clear();
  Log(page.onClick, 2);
  Do(scroll, &ThiRadioButtonRush::doCheck, D::Int(1));
  for (int i = 0; i < 2; ++i) QTest::mouseClick(page.widget(), Qt::LeftButton, {}, QPoint(6, 10));
  EXPECT_TRUE(page.checked());
  EXPECT_FALSE(scroll.checked());
  Do(page, &ThiRadioButtonRush::doCheck, D::Int(0));
  EXPECT_FALSE(page.checked());
  EXPECT_EQ(sink.lines, (Lines{"2:1", "2:1"}));
}

TEST_F(UiTest, ComboBoxSelectsReportsAndFillsFromText) {
  THIComboBox list(parent());
  list.setBounds(10, 10, 165, 21);
  list.setItems("Tessel 10(Stand Alone)\r\nTessel 20(Stand Alone)\r\nTessel 20(Last On)");
  Log(list.onSelect, 0);
  Log(list.onChange, 1);
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.selected(), -1);
  Do(list, &THIComboBox::doSelect, D::Int(5));
  Do(list, &THIComboBox::doSelect, D::Int(2));
  EXPECT_EQ(Get(list, &THIComboBox::String).text, "Tessel 20(Last On)");
  Do(list, &THIComboBox::doSelect, D::Int(5));
  EXPECT_TRUE(Get(list, &THIComboBox::String).isNull());
  // The operator's choice, by keyboard: onChange only.
  list.widget()->setFocus();
  QTest::keyClick(list.widget(), Qt::Key_Down);
  QTest::keyClick(list.widget(), Qt::Key_Down);
  EXPECT_EQ(sink.lines, (Lines{"0:-1", "0:2", "0:-1", "1:0", "1:1"}));

  // Text mode, filled item by item: adding never selects, selecting by text fires nothing.
  THIComboBox ports(parent());
  ports.textMode = true;
  ports.setText("COM-Port");
  sink.lines.clear();
  Log(ports.onSelect, 2);
  for (const char* name : {"COM 1", "COM 3"}) Do(ports, &THIComboBox::doAdd, D::Str(name));
  EXPECT_EQ(ports.selected(), -1);
  Do(ports, &THIComboBox::doSelect, D::Int(1));
  Do(ports, &THIComboBox::doSelect, D::Int(5));
  Do(ports, &THIComboBox::doSelectString, D::Str("COM 1"));
  EXPECT_EQ(ports.selected(), 0);
  Do(ports, &THIComboBox::doSelectString, D::Str("com 1"));
  EXPECT_EQ(ports.selected(), -1);
  EXPECT_EQ(sink.lines, (Lines{"2:'COM 3'", "2:''"}));
  Do(ports, &THIComboBox::doClear);
  EXPECT_EQ(ports.count(), 0);
}

TEST_F(UiTest, EditTextCrossesQtInTheProgramsCodePage) {
  THIEdit edit(parent());
  auto* line = static_cast<QLineEdit*>(edit.widget());
  Do(edit, &THIEdit::doText, D::Str("Caf\xE9 \x80 \x93ok\x94"));
  EXPECT_EQ(line->text(), QString::fromUtf8("Café € “ok”"));
  EXPECT_EQ(Get(edit, &THIEdit::Text).text, "Caf\xE9 \x80 \x93ok\x94");

  line->setFocus();
  line->setText(QString());
  for (const char* typed : {"Ж", "ü"})
    QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, QString::fromUtf8(typed), {});
  EXPECT_EQ(Get(edit, &THIEdit::Text).text, "Zh\xFC");  // spelt in the code page's letters

  // The length limit counts the characters sent, not those shown.
  edit.setMaxLength(5);
  line->setText(QString::fromUtf8("ЖЖЩ"));
  EXPECT_EQ(line->text(), QString::fromUtf8("ЖЖ"));
  EXPECT_EQ(Get(edit, &THIEdit::Text).text, "ZhZh");
}

// Every change is reported, but not the creation text; no control character is ever held.
TEST_F(UiTest, EditReportsChangesAndHoldsNoControlCharactersAndAtMost255ByDefault) {
  THIEdit edit(parent());
  edit.setBounds(10, 10, 200, 21);
  auto* line = static_cast<QLineEdit*>(edit.widget());
  Log(edit.onChangeText, 0);
  Log(edit.onEnter, 1);
  edit.setText("A\r\nB\tC");
  EXPECT_EQ(line->text(), "A  B C");
  Do(edit, &THIEdit::doText, D::Str(std::string("RT\r\nSM\x7F") + '\0'));
  EXPECT_EQ(line->text(), "RT  SM  ");
  // A paste keeps its line break in Qt; the field shows a space and the caret stays behind it.
  line->setFocus();
  line->setCursorPosition(2);
  line->insert("x\ny");
  EXPECT_EQ(line->text(), "RTx y  SM  ");
  EXPECT_EQ(line->cursorPosition(), 5);
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(sink.lines, (Lines{"0:'RT  SM  '", "0:'RTx y  SM  '", "1:'RTx y  SM  '"}));

  line->setCursorPosition(2);
  Do(edit, &THIEdit::doText, D::Str("123456"));
  EXPECT_EQ(line->cursorPosition(), 2);  // doText keeps the caret
  sink.lines.clear();
  line->setCursorPosition(6);
  QTest::keyClicks(line, "ab");
  QTest::keyClick(line, Qt::Key_Backspace);
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(sink.lines, (Lines{"0:'123456a'", "0:'123456ab'", "0:'123456a'", "1:'123456a'"}));

  Do(edit, &THIEdit::doText, D::Str(std::string(40000, 'x')));
  EXPECT_EQ(Get(edit, &THIEdit::Text).text, std::string(255, 'x'));
  edit.setMaxLength(0);
  edit.setText(std::string(40000, 'y'));
  EXPECT_EQ(edit.text().size(), 32767u);
}

TEST_F(UiTest, ButtonClickFiresItsDataAndStyleColoursAreDrawn) {
  ThiButtonRush button(parent());
  button.setBounds(10, 10, 75, 55);
  button.data = D::Int(3);
  Log(button.onClick, 0);
  QTest::mouseClick(button.widget(), Qt::LeftButton);
  EXPECT_EQ(sink.lines, (Lines{"0:3"}));

  // The page buttons' selected style, also while hovered, without gloss (12) and border (11).
  TData style;
  for (int i = 0; i < 21; ++i) {
    AppendChain(style, D::Str(i == 2 || i == 6     ? "16761378"
                              : i == 3 || i == 7   ? "16711680"
                              : i == 11 || i == 12 ? "0"
                                                   : "-1"));
  }
  const int32_t kept = button.style()[1];
  Do(button, &ThiButtonRush::doStyle, style);
  EXPECT_EQ(button.style()[1], kept);  // -1 leaves a value alone
  const QImage image = button.widget()->grab().toImage();
  const int x = image.width() / 2;
  const QColor top = image.pixelColor(x, 1), bottom = image.pixelColor(x, image.height() - 2);
  EXPECT_NEAR(top.red(), 34, 8);
  EXPECT_NEAR(top.green(), 194, 8);
  EXPECT_NEAR(bottom.red() + bottom.green(), 0, 8);
  EXPECT_NEAR(bottom.blue(), 255, 8);

  // A short chain changes only what it holds.
  TData partial = D::Int(-1);
  AppendChain(partial, D::Int(7));
  Do(button, &ThiButtonRush::doStyle, partial);
  EXPECT_EQ(button.style()[1], 7);
  EXPECT_EQ(button.style()[2], 16761378);
}

TEST_F(UiTest, CommonPointsMoveRaiseHideAndReportTheMouse) {
  THIPanelRush lower(parent()), upper(parent());
  lower.setBounds(20, 20, 200, 100);
  upper.setBounds(20, 20, 200, 100);
  Do(lower, &THIPanelRush::doVisible, D::Int(0));
  EXPECT_FALSE(lower.visible());
  Do(lower, &THIPanelRush::doBringToFront);
  EXPECT_TRUE(lower.visible());
  EXPECT_EQ(host.childAt(50, 50), lower.widget());
  EXPECT_EQ(lower.left() + lower.width(), 220);  // neither moved nor sized

  Do(upper, &THIPanelRush::doVisible, D::Int(0));
  Do(upper, &THIPanelRush::doVisible, D::Str("0"));
  EXPECT_TRUE(upper.visible());
  Do(upper, &THIPanelRush::doPosition, D::Int(60));
  EXPECT_EQ((std::array{upper.left(), upper.top(), upper.height()}), (std::array{20, 60, 100}));
  EXPECT_EQ(WidgetFromHandle(Get(upper, &THIPanelRush::Handle).integer), upper.widget());

  Log(lower.onMouseDown, 0);
  Log(lower.onClick, 1);
  Log(lower.onMouseUp, 2);
  QTest::mouseClick(lower.widget(), Qt::RightButton, {}, QPoint(5, 5));
  QTest::mouseClick(lower.widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(sink.lines, (Lines{"0:1", "2:1", "0:0", "1:null", "2:0"}));
  Do(lower, &THIPanelRush::doEnabled, D::Int(0));
  EXPECT_FALSE(lower.enabled());
}

TEST_F(UiTest, LabelFontRecordAndLinkedText) {
  THILabel label(parent());
  TFontRecord font{"MS Sans Serif", 12, 1, 0x0000FF, 1};
  Do(label, &THILabel::doFont, D::Font(std::make_shared<TFontRecord>(font)));
  const QFont applied = label.widget()->font();
  EXPECT_EQ(applied.pixelSize(), 16);  // (12 * 96 + 36) / 72
  EXPECT_TRUE(applied.bold());
  EXPECT_EQ(label.widget()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  // A disabled control keeps the style's greyed text.
  EXPECT_NE(label.widget()->palette().color(QPalette::Disabled, QPalette::WindowText),
            QColor(255, 0, 0));

  label.setCaption("Max 8\r\nsymbols!");
  EXPECT_EQ(Get(label, &THILabel::Text).text, "Max 8\r\nsymbols!");
  sink.answer = D::Str("from the link");
  link<&uitest::Sink::Value>(label.TextData, sink);
  Do(label, &THILabel::doText, D::Str("from the call"));
  EXPECT_EQ(label.caption(), "from the link");
}

TEST_F(UiTest, UpDownClampsAndLedToggles) {
  THIUpDown period(parent());
  period.setBounds(169, 218, 17, 21);
  period.setRange(10, 20);
  period.setPosition(10);
  Log(period.onPosition, 0);
  Do(period, &THIUpDown::doPosition, D::Int(30));
  EXPECT_EQ(Get(period, &THIUpDown::Position).integer, 20);
  EXPECT_EQ(period.top(), 218);  // the common doPosition does not apply here
  Do(period, &THIUpDown::doPosition, D::Int(-4));
  QWidget* up = period.widget()->childAt(8, 3);
  QWidget* down = period.widget()->childAt(8, 18);
  ASSERT_TRUE(up && down);
  QTest::mouseClick(down, Qt::LeftButton);  // already at the bottom: nothing
  QTest::mouseClick(up, Qt::LeftButton);

  THILED led(parent());
  Log(led.onSwitch, 1);
  Do(led, &THILED::doSwitch);
  Do(led, &THILED::doSwitch);
  EXPECT_EQ(sink.lines, (Lines{"0:20", "0:10", "0:11", "1:1", "1:0"}));
}

TEST_F(UiTest, HintShowsAfterItsDelayForItsDisplayTime) {
  platform::VirtualTimeHost time;
  platform::SetTimeHost(&time);
  {
    THIHintManager manager;
    THIImgBtn close(parent());
    close.setBounds(100, 100, 32, 27);
    close.setHint("Close");
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
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
    QCoreApplication::sendEvent(close.widget(), &leave);
    time.advance(1000);
    EXPECT_EQ(shown->shownHint(), nullptr);
  }
  platform::SetTimeHost(nullptr);
}
