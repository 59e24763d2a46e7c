#include "encoder/af_panel.h"

#include <string>

#include "encoder/resource_texts.h"
#include "encoder/wiring.h"

namespace hi {

namespace {
constexpr const char* kNumbers = "Disable AF\r\n1 AF\r\n2 AF\r\n3 AF\r\n4 AF\r\n5 AF\r\n6 AF";
constexpr const char* kFrequencyKeys[AfPanel::kFrequencies] = {"Local AF", "AF1", "AF2", "AF3",
                                                               "AF4",      "AF5", "AF6"};
struct Place {
  int labelLeft, top, listLeft;
};
constexpr Place kAfPlaces[AfPanel::kAfs] = {{30, 56, 71},   {30, 81, 71},   {30, 106, 71},
                                            {170, 56, 211}, {170, 81, 211}, {170, 106, 211}};
}  // namespace

AfEnabler::AfEnabler(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  compare.setOutCount(kOutputs);
  for (size_t k = 0; k < kOutputs; ++k) {
    // AF 6 is the last list: it is enabled for six AFs only.
    Compare(enough[k], k + 1 == kOutputs ? THIIf_else::Equal : THIIf_else::GreaterEqual,
            TData::Int(static_cast<int32_t>(k) + 1));
  }

  work<&THIMemory::doValue>(AfNumber, number);
  link<&THIHub::doEvent>(number.onData, compare);
  for (uint16_t k = 0; k < kOutputs; ++k) {
    link<&THIIf_else::doCompare>(compare.onEvent[k], enough[k]);
    link<&THIMemory::Value>(enough[k].Op1, number);
    link<&THIChanelToIndex::doWork>(enough[k].onFalse, enabled[k], 0);
    link<&THIChanelToIndex::doWork>(enough[k].onTrue, enabled[k], 1);
    out(enabled[k].onIndex, k);
  }
}

AfCountCoder::AfCountCoder(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  for (size_t n = 0; n < kInputs; ++n) {
    inputs[n].setOutCount(2);
    codes[n].data = n == 0 ? TData::Str("0") : TData::Int(225 + static_cast<int32_t>(n));
  }

  // No AFs give the text "0" (choice 0), any other number its count code (choice 1).
  for (uint16_t n = 0; n < kInputs; ++n) {
    const uint16_t carried = n == NoAfs ? 0 : 1;
    work<&THIHub::doEvent>(n, inputs[n]);
    link<&THIDoData::doData>(inputs[n].onEvent[0], codes[n]);
    link<&THIChanelToIndex::doWork>(inputs[n].onEvent[1], choice, carried);
    out(codes[n].onEventData, n == NoAfs ? DisabledText : CountCode);
  }
  out(choice.onIndex, LineCarries);
}

AfPanel::AfPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  placeControls();
  wirePoints();
  wireNumber();
  wireFrequencies();
  wireLine();
  enabler.build<AfEnabler>(nullptr);
  countCoder.build<AfCountCoder>(nullptr);
}

void AfPanel::placeControls() {
  panel.setBounds(134, 10, 325, 200);
  numberLabel.setBounds(30, 16, 33, 24);
  numberLabel.setCaption("Nb.:");
  // Wider than the frequency lists: at 80 pixels "Disable AF" showed as "Disable A".
  number.setBounds(71, 15, 90, 21);
  number.setItems(kNumbers);
  localLabel.setBounds(165, 16, 43, 18);
  localLabel.setCaption("Local:");
  local.setBounds(211, 15, 80, 21);
  local.setItems(AfFrequenciesText());
  for (size_t k = 0; k < kAfs; ++k) {
    afLabels[k].setBounds(kAfPlaces[k].labelLeft, kAfPlaces[k].top, 40, 24);
    afLabels[k].setCaption("AF " + std::to_string(k + 1) + ":");
    afs[k].setBounds(kAfPlaces[k].listLeft, kAfPlaces[k].top - 1, 80, 21);
    afs[k].setItems(AfFrequenciesText());
  }
  send.setBounds(243, 168, 70, 20);
  send.setCaption("Send AF");
}

void AfPanel::wirePoints() {
  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);
  work<&THIPanelRush::doVisible>(ShowOrHide, panel);
  out(afLine.onFString, Lines);
}

// A list reports -1 for a stored entry it does not hold; it is then set to "Disable AF" or
// "No AF", so neither the line nor rds.ini ever carries -1. The AF number enables its lists and
// chooses what the line carries.
void AfPanel::wireNumber() {
  StoredSetting(numberSetting, protocol::kRdsSettings, "AF Number", THIini::Integer);
  load.setOutCount(1 + kFrequencies);
  Compare(numberInList, THIIf_else::GreaterEqual, TData::Int(0));
  noNumber.data = TData::Int(0);
  numberChanged.setOutCount(3);
  firstEnabled.setOutCount(2);
  countRouter.setCount(AfCountCoder::kInputs);

  link<&THIini::doRead>(load.onEvent[0], numberSetting);
  link<&THIComboBox::doSelect>(numberSetting.onRead, number);
  link<&THIIf_else::doCompare>(number.onChange, numberInList);
  link<&THIIf_else::doCompare>(number.onSelect, numberInList);
  link<&THIHub::doEvent>(numberInList.onTrue, numberChanged);
  link<&THIDoData::doData>(numberInList.onFalse, noNumber);
  link<&THIComboBox::doSelect>(noNumber.onEventData, number);
  link<&THIMultiElement::doWork>(numberChanged.onEvent[0], enabler, AfEnabler::AfNumber);
  link<&THIini::doWrite>(numberChanged.onEvent[1], numberSetting);
  link<&THIIndexToChanel::doEvent>(numberChanged.onEvent[2], countRouter);

  link<&THIHub::doEvent>(enabler.onEvent[AfEnabler::LocalAndAf1], firstEnabled);
  link<&THIComboBox::doEnabled>(firstEnabled.onEvent[0], local);
  link<&THIComboBox::doEnabled>(firstEnabled.onEvent[1], afs[0]);
  for (uint16_t k = 1; k < kAfs; ++k) link<&THIComboBox::doEnabled>(enabler.onEvent[k], afs[k]);
  for (uint16_t n = 0; n < AfCountCoder::kInputs; ++n)
    link<&THIMultiElement::doWork>(countRouter.onEvent[n], countCoder, n);
}

void AfPanel::wireFrequencies() {
  for (size_t k = 0; k < kFrequencies; ++k) {
    StoredSetting(frequencySettings[k], protocol::kRdsSettings, kFrequencyKeys[k], THIini::Integer);
    Compare(frequencyInList[k], THIIf_else::GreaterEqual, TData::Int(0));
    noFrequency[k].data = TData::Int(kNoAf);
    frequencyChanged[k].setOutCount(2);
  }

  for (uint16_t k = 0; k < kFrequencies; ++k) {
    THIComboBox& frequency = frequencyList(k);
    link<&THIini::doRead>(load.onEvent[1u + k], frequencySettings[k]);
    link<&THIComboBox::doSelect>(frequencySettings[k].onRead, frequency);
    link<&THIIf_else::doCompare>(frequency.onChange, frequencyInList[k]);
    link<&THIIf_else::doCompare>(frequency.onSelect, frequencyInList[k]);
    link<&THIHub::doEvent>(frequencyInList[k].onTrue, frequencyChanged[k]);
    link<&THIDoData::doData>(frequencyInList[k].onFalse, noFrequency[k]);
    link<&THIComboBox::doSelect>(noFrequency[k].onEventData, frequency);
    link<&THIMemory::doValue>(frequencyChanged[k].onEvent[0], frequencies[k]);
    link<&THIini::doWrite>(frequencyChanged[k].onEvent[1], frequencySettings[k]);
    link<&THIHub::doEvent>(frequencies[k].onData, rebuild);
  }
}

// The count code and the frequencies, or the text "0". Before any AF number was chosen or loaded
// the line would carry nothing: nothing is sent.
void AfPanel::wireLine() {
  rebuild.setOutCount(1);
  list.mask = "%1,%2,%3,%4,%5,%6,%7,%8";
  list.setDataCount(1 + kFrequencies);
  choice.setCount(2);
  Compare(anyChosen, THIIf_else::GreaterEqual, TData::Int(0));
  afLine.mask = "AF%1\r\n";
  afLine.setDataCount(1);

  link<&THIMemory::doValue>(countCoder.onEvent[AfCountCoder::DisabledText], disabledText);
  link<&THIMemory::doValue>(countCoder.onEvent[AfCountCoder::CountCode], countCode);
  link<&THIGetIndexData::doIndex>(countCoder.onEvent[AfCountCoder::LineCarries], choice);
  link<&THIHub::doEvent>(countCode.onData, rebuild);
  link<&THIMemory::Value>(list.Str[1], countCode);
  for (uint16_t k = 0; k < kFrequencies; ++k)
    link<&THIMemory::Value>(list.Str[2u + k], frequencies[k]);
  link<&THIFormatStr::doString>(rebuild.onEvent[0], list);
  link<&THIMemory::doValue>(list.onFString, listText);

  link<&THIMemory::Value>(choice.Data[0], disabledText);
  link<&THIMemory::Value>(choice.Data[1], listText);
  link<&THIMemory::doValue>(choice.onIndex, chosen);
  link<&THIIf_else::doCompare>(send.onClick, anyChosen);
  link<&THIMemory::Value>(anyChosen.Op1, chosen);
  link<&THIFormatStr::doString>(anyChosen.onTrue, afLine);
  link<&THIGetIndexData::Value>(afLine.Str[1], choice);
}

}  // namespace hi
