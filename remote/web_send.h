// The body of a send from the web, {"value": ...}, as the text an operator's action takes. Runs
// on the server's threads, before anything reaches the window.
#pragma once

#include <string>
#include <string_view>

namespace remote {

// The value as the action's text, in the program's code page: a string as it is (a character the
// code page lacks spelt as the window spells a typed one), true and false as "1" and "0", a
// number as written, null or no value as "". Any other member, a nested value or a body that is
// not JSON is refused: false, with `problem` saying why.
bool DecodeSendBody(std::string_view body, std::string& value, std::string& problem);

// The body of a login, {"password": "..."}, as the password's UTF-8 bytes; false, with `problem`
// saying why, for anything else.
bool DecodePasswordBody(std::string_view body, std::string& password, std::string& problem);

}  // namespace remote
