// Who may use a web console that has a password: the logins, rate-limited, and the sessions they
// open, each with its own CSRF token. Safe to call from any of the server's threads.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace remote {

// Equal texts, compared in a time that does not depend on where they differ.
bool ConstantTimeEqual(std::string_view a, std::string_view b);

class WebSessions {
 public:
  static constexpr size_t kMostSessions = 16;
  static constexpr int64_t kIdleMs = int64_t{12} * 3600 * 1000;

  struct Limits {
    // Failed logins: a burst of `burst`, then one more every `refillMs`. While none is left every
    // login is refused unchecked, so guessing costs the program nothing.
    int burst = 5;
    int64_t refillMs = 3000;
    // Milliseconds that only move forward; the steady clock unless a test gives its own.
    std::function<int64_t()> clockMs;
  };

  enum class Outcome { Ok, Wrong, Limited, Failed };
  struct Login {
    Outcome outcome = Outcome::Failed;
    std::string token, csrf;
    int retryAfterSeconds = 0;
  };

  // `check` tells whether a password is the console's one (slow on purpose).
  WebSessions(std::function<bool(const std::string&)> check, Limits limits);

  // A new session for the right password.
  Login login(const std::string& password);
  // The CSRF token of the session `token` names, empty when none (or it expired); its idle time
  // starts again.
  std::string csrf(const std::string& token);
  void logout(const std::string& token);
  // The outcome for an "Authorization: Basic ..." header's password; the user name is ignored.
  Login basic(const std::string& authorization);

 private:
  struct Session {
    std::string token, csrf;
    int64_t lastUse = 0;
  };
  Login check(const std::string& password);
  int64_t now() const;

  std::function<bool(const std::string&)> check_;
  Limits limits_;
  std::mutex checking_;  // one password check at a time, and the credit with it
  double credit_;
  int64_t creditAt_;
  std::mutex mutex_;
  std::vector<Session> sessions_;
  std::string basicAccepted_;  // the last Authorization header whose password was right
};

}  // namespace remote
