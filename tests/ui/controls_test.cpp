#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

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
  Do(box, &ThiCheckBoxRush::doCheck, D::Int(0));
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
  EXPECT_TRUE(page.checked() && !scroll.checked());
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

  // Text mode, filled item by item: adding never selects, selecting by text (exactly as written)
  // fires nothing.
  THIComboBox ports(parent());
  ports.textMode = true;
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

// Text crosses Qt in the program's code page; every change is reported, but not the creation
// text; no control character is ever held; at most 255 characters unless told otherwise.
TEST_F(UiTest, EditHoldsCodePageTextWithoutControlCharacters) {
  THIEdit edit(parent());
  edit.setBounds(10, 10, 200, 21);
  auto* line = static_cast<QLineEdit*>(edit.widget());
  Do(edit, &THIEdit::doText, D::Str(std::string(40000, 'x')));
  EXPECT_EQ(Get(edit, &THIEdit::Text).text, std::string(255, 'x'));
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
  EXPECT_EQ(Get(edit, &THIEdit::Text).text, "ZhZh");
  edit.setMaxLength(0);
  edit.setText(std::string(40000, 'y'));
  EXPECT_EQ(edit.text().size(), 32767u);

  Log(edit.onChangeText, 0);
  Log(edit.onEnter, 1);
  edit.setText("A\r\nB\tC");
  EXPECT_EQ(line->text(), "A  B C");
  Do(edit, &THIEdit::doText, D::Str(std::string("RT\r\nSM\x7F") + '\0'));
  // A paste keeps its line break in Qt; the field shows a space and the caret stays behind it.
  line->setCursorPosition(2);
  line->insert("x\ny");
  EXPECT_EQ(line->cursorPosition(), 5);
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(sink.lines, (Lines{"0:'RT  SM  '", "0:'RTx y  SM  '", "1:'RTx y  SM  '"}));
  line->setCursorPosition(2);
  Do(edit, &THIEdit::doText, D::Str("123456"));
  EXPECT_EQ(line->cursorPosition(), 2);  // doText keeps the caret
}

TEST_F(UiTest, ButtonClickFiresItsDataAndAStyleChainChangesWhatItHolds) {
  ThiButtonRush button(parent());
  button.setBounds(10, 10, 75, 55);
  button.data = D::Int(3);
  Log(button.onClick, 0);
  QTest::mouseClick(button.widget(), Qt::LeftButton);
  EXPECT_EQ(sink.lines, (Lines{"0:3"}));

  // -1 leaves a value alone; a short chain changes only what it holds.
  const auto style = [&] {
    return std::array{button.style()[0], button.style()[1], button.style()[2]};
  };
  const auto before = style();
  TData partial = D::Int(-1);
  AppendChain(partial, D::Int(7));
  Do(button, &ThiButtonRush::doStyle, partial);
  EXPECT_EQ(style(), (std::array{before[0], 7, before[2]}));
}

TEST_F(UiTest, UpDownClampsToItsRange) {
  THIUpDown period(parent());
  period.setBounds(169, 218, 17, 21);
  period.setRange(10, 20);
  period.setPosition(10);
  Log(period.onPosition, 0);
  Do(period, &THIUpDown::doPosition, D::Int(30));
  EXPECT_EQ(period.top(), 218);  // the common doPosition does not apply here
  Do(period, &THIUpDown::doPosition, D::Int(-4));
  QWidget* up = period.widget()->childAt(8, 3);
  QWidget* down = period.widget()->childAt(8, 18);
  ASSERT_TRUE(up && down);
  QTest::mouseClick(down, Qt::LeftButton);  // already at the bottom: nothing
  QTest::mouseClick(up, Qt::LeftButton);
  EXPECT_EQ(sink.lines, (Lines{"0:20", "0:10", "0:11"}));
}
