#include "remote/web_send.h"

#include "platform/codepage.h"

namespace remote {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool take(char c) {
    blanks();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool atEnd() {
    blanks();
    return at_ == text_.size();
  }
  char peek() {
    blanks();
    return at_ < text_.size() ? text_[at_] : '\0';
  }
  bool word(std::string_view w) {
    blanks();
    if (text_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  // A JSON string as UTF-8.
  bool string(std::string& out) {
    if (!take('"')) return false;
    for (;;) {
      if (at_ >= text_.size()) return false;
      const auto c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') break;
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          char32_t code = 0;
          if (!hex4(code)) return false;
          if (code >= 0xDC00 && code <= 0xDFFF) return false;
          if (code >= 0xD800 && code <= 0xDBFF) {
            char32_t low = 0;
            if (!word("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          platform::AppendUtf8(out, code);
          break;
        }
        default:
          return false;
      }
    }
    return platform::IsValidUtf8(out);
  }

  // A JSON number, as written.
  bool number(std::string& out) {
    blanks();
    const size_t from = at_;
    const auto digits = [this] {
      const size_t start = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > start;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (!digits()) {
      return false;
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) return false;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return false;
    }
    out = std::string(text_.substr(from, at_ - from));
    return true;
  }

 private:
  bool hex4(char32_t& code) {
    if (text_.size() - at_ < 4) return false;
    for (int k = 0; k < 4; ++k) {
      const char h = text_[at_++];
      const int v = h >= '0' && h <= '9'   ? h - '0'
                    : h >= 'a' && h <= 'f' ? h - 'a' + 10
                    : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                           : -1;
      if (v < 0) return false;
      code = code * 16 + static_cast<char32_t>(v);
    }
    return true;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

bool DecodeSendBody(std::string_view body, std::string& value, std::string& problem) {
  value.clear();
  problem = "the body must be a JSON object like {\"value\": \"...\"}";
  Reader in(body);
  if (!in.take('{')) return false;
  bool seen = false;
  if (!in.take('}')) {
    do {
      std::string key;
      if (!in.string(key) || !in.take(':')) return false;
      if (key != "value" || seen) {
        problem = key == "value" ? "\"value\" given twice" : "no member \"" + key + "\" is known";
        return false;
      }
      seen = true;
      std::string utf8;
      const char next = in.peek();
      if (next == '"') {
        if (!in.string(utf8)) return false;
        value = platform::Utf8ToCp1252(utf8);
      } else if (in.word("true")) {
        value = "1";
      } else if (in.word("false")) {
        value = "0";
      } else if (in.word("null")) {
        value.clear();
      } else if (!in.number(value)) {
        problem = "the value must be a string, a number, true or false";
        return false;
      }
    } while (in.take(','));
    if (!in.take('}')) return false;
  }
  if (!in.atEnd()) return false;
  problem.clear();
  return true;
}

bool DecodePasswordBody(std::string_view body, std::string& password, std::string& problem) {
  password.clear();
  problem = "the body must be a JSON object like {\"password\": \"...\"}";
  Reader in(body);
  std::string key;
  if (!in.take('{') || !in.string(key) || key != "password" || !in.take(':') ||
      !in.string(password) || !in.take('}') || !in.atEnd()) {
    password.clear();
    return false;
  }
  problem.clear();
  return true;
}

}  // namespace remote
