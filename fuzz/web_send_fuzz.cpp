// What a web client's request does on its way to an operator's action, without the window: the
// routing and the checks every request passes, then the JSON body decoded to the action's value.
// The first line of an input is "METHOD PATH[?QUERY]", then the headers up to an empty line,
// then the body. Every answer has a status the console gives; a decoded value survives being
// written as JSON and decoded again; a refusal always says why.
#include <set>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/codepage.h"
#include "remote/web_send.h"
#include "remote/web_server.h"

namespace {

std::string_view Line(std::string_view& text) {
  const size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

remote::WebReply Send(const std::string& name, const std::string& body) {
  std::string value, problem;
  if (!remote::DecodeSendBody(body, value, problem)) {
    fuzz::Check(!problem.empty(), "a refused body says why", body);
    return {400, "application/json", {}};
  }
  fuzz::Check(problem.empty(), "a decoded body has no problem", body);
  const std::string again = "{\"value\":" + remote::JsonQuote(platform::Cp1252ToUtf8(value)) + "}";
  std::string value2, problem2;
  fuzz::Check(remote::DecodeSendBody(again, value2, problem2) && value2 == value,
              "a value written as JSON decodes to itself", again);
  return {name.empty() ? 404 : 200, "application/json", {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view first = Line(text);
  const size_t space = first.find(' ');
  const std::string method(first.substr(0, space));
  const std::string target(space == std::string_view::npos ? "" : first.substr(space + 1));
  const size_t mark = target.find('?');
  std::string headers = "Host: 127.0.0.1:0\n";
  for (std::string_view line = Line(text); !line.empty(); line = Line(text))
    headers += std::string(line) + "\n";
  const auto header = [&headers](const char* name) {
    // The last of the header's lines wins, as the fuzz input may repeat one.
    std::string value;
    const std::string key = std::string(name) + ": ";
    for (size_t at = headers.find(key); at != std::string::npos; at = headers.find(key, at + 1))
      if (at == 0 || headers[at - 1] == '\n')
        value = headers.substr(at + key.size(), headers.find('\n', at) - at - key.size());
    return value;
  };

  const std::string path = target.substr(0, mark);
  const std::string query = mark == std::string::npos ? "" : target.substr(mark + 1);
  remote::WebServer server({[] { return std::string("{}"); },
                            [](uint64_t) { return std::string("{}"); },
                            [] { return std::string(); }, Send});
  const remote::WebReply reply = server.answer(method, path, query, header, std::string(text));
  static const std::set<int> kStatuses = {200, 400, 403, 404, 405, 415, 421, 422};
  fuzz::Check(kStatuses.count(reply.status) == 1, "a status the console gives", first);

  // With a password no request reaches an action: a session's token cannot be guessed, and the
  // password alone (given as Basic credentials) only reads.
  bool acted = false;
  remote::WebLimits limits;
  limits.logins.clockMs = [] { return int64_t{0}; };
  remote::WebServer guarded(
      {[] { return std::string("{}"); }, [](uint64_t) { return std::string("{}"); },
       [] { return std::string(); },
       [&acted](const std::string& name, const std::string& body) {
         acted = true;
         return Send(name, body);
       },
       [](const std::string& password) { return password == "pw"; }},
      limits);
  const remote::WebReply answer = guarded.answer(method, path, query, header, std::string(text));
  static const std::set<int> kGuarded = {200, 400, 401, 403, 404, 405, 415, 421, 429, 500};
  fuzz::Check(kGuarded.count(answer.status) == 1, "a status the guarded console gives", first);
  fuzz::Check(!acted, "no action without a session", first);
  return 0;
}
