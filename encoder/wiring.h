// The set-ups the containers repeat for their elements: a key of rds.ini and a comparison with a
// fixed value.
#pragma once

#include <string>
#include <utility>

#include "elements/flow.h"
#include "elements/settings.h"
#include "protocol/functions.h"

namespace hi {

// A key of rds.ini, the settings file in the program's folder.
inline void StoredSetting(THIini& setting, const char* section, std::string key,
                          THIini::Type type) {
  setting.fileName = "rds.ini";
  setting.section = section;
  setting.key = std::move(key);
  setting.type = type;
}

// The key of rds.ini that holds a send function's text or value.
inline void FunctionSetting(THIini& setting, protocol::Function f, THIini::Type type) {
  StoredSetting(setting, protocol::kRdsSettings, protocol::Row(f).iniKey, type);
}

// A test of the incoming value (or of Op1) against a fixed second operand.
inline void Compare(THIIf_else& test, THIIf_else::CompareType type, TData op2) {
  test.type = type;
  test.op2 = std::move(op2);
}
inline void IsOne(THIIf_else& test) { Compare(test, THIIf_else::Equal, TData::Int(1)); }
inline void IsZero(THIIf_else& test) { Compare(test, THIIf_else::Equal, TData::Int(0)); }

}  // namespace hi
