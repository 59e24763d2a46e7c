#include "encoder/di_panel.h"

#include "encoder/wiring.h"

namespace hi {

namespace {
struct FlagPlace {
  const char* caption;
  const char* key;
  int top;
};
// "Artifical" is kept as operators know the caption.
constexpr FlagPlace kFlagPlaces[DiPanel::kFlags] = {{"Stereo", "Stereo", 10},
                                                    {"Compressed", "Compressed", 30},
                                                    {"Artifical Head", "AH", 50},
                                                    {"Dynamic PTY", "DPTY", 70}};
// Stored flags are read in this order, so a start-up sends the DI lines in it.
constexpr DiPanel::Flag kLoadOrder[DiPanel::kFlags] = {DiPanel::Stereo, DiPanel::ArtificialHead,
                                                       DiPanel::Compressed, DiPanel::DynamicPty};
}  // namespace

DiPanel::DiPanel(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  panel.setBounds(134, 10, 325, 200);
  load.setOutCount(kFlags);
  build.setOutCount(3);
  converter.mode = THIConvertor::BinToInt;
  formatter.mask = "DI%1%2";
  formatter.setDataCount(2);

  work<&THIPanelRush::doBringToFront>(BringToFront, panel);
  work<&THIHub::doEvent>(Load, load);

  for (uint16_t f = 0; f < kFlags; ++f) {
    boxes[f].setBounds(10, kFlagPlaces[f].top, 130, 20);
    boxes[f].setCaption(kFlagPlaces[f].caption);
    StoredSetting(settings[f], protocol::kRdsSettings, kFlagPlaces[f].key, THIini::Integer);
    IsOne(loadTests[f]);
    boxHubs[f].setOutCount(2);
    states[f].setDefault(TData::Int(0));

    link<&THIMemory::doValue>(settings[f].onRead, loaded[f]);
    link<&THIIf_else::doCompare>(loaded[f].onData, loadTests[f]);
    link<&THIMemory::Value>(loadTests[f].Op1, loaded[f]);
    link<&ThiCheckBoxRush::doCheck>(loadTests[f].onTrue, boxes[f]);
    link<&THIHub::doEvent>(boxes[f].onCheck, boxHubs[f]);
    link<&THIMemory::doValue>(boxHubs[f].onEvent[0], states[f]);
    link<&ThiCheckBoxRush::Checked>(states[f].Data, boxes[f]);
    link<&THIini::doWrite>(states[f].onData, settings[f]);
    link<&THIHub::doEvent>(boxHubs[f].onEvent[1], build);
  }
  for (uint16_t k = 0; k < kFlags; ++k)
    link<&THIini::doRead>(load.onEvent[k], settings[kLoadOrder[k]]);

  // The four states as binary digits, dynamic PTY first, read as one number.
  link<&THIStrCat::doStrCat>(build.onEvent[0], highPair);
  link<&THIStrCat::doStrCat>(build.onEvent[1], lowPair);
  link<&THIStrCat::doStrCat>(build.onEvent[2], allDigits);
  link<&THIMemory::Value>(highPair.Str1, states[DynamicPty]);
  link<&THIMemory::Value>(highPair.Str2, states[Compressed]);
  link<&THIMemory::Value>(lowPair.Str1, states[ArtificialHead]);
  link<&THIMemory::Value>(lowPair.Str2, states[Stereo]);
  link<&THIStrCat::Result>(allDigits.Str1, highPair);
  link<&THIStrCat::Result>(allDigits.Str2, lowPair);
  link<&THIConvertor::doConvert>(allDigits.onStrCat, converter);
  link<&THIMemory::doValue>(converter.onResult, value);
  link<&THIFormatStr::doString>(value.onData, formatter);
  link<&THIMemory::Value>(formatter.Str[1], value);
  in(formatter.Str[2], Terminator);
  out(formatter.onFString, Lines);
}

}  // namespace hi
