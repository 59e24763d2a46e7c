// Elements that build and take apart text: the command formatter, concatenation, cutting,
// searching, replacing, trimming, measuring, conversion and line lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace platform {
class NowPlayingListener;
}

namespace hi {

// Fills the numbered placeholders %1..%DataCount of its mask; "%%" is a literal percent sign.
// A placeholder is the whole run of digits behind '%' ("%12" is not %1 then "2"); a run that
// is not a number 1..DataCount without a leading zero stays as it is.
// `Str` is 1-based: `Str[i]` fills %i (entry 0 is unused).
class THIFormatStr : public TDebug {
 public:
  THIFormatStr() { setDataCount(2); }
  void setDataCount(int n);
  int dataCount() const { return static_cast<int>(Str.size()) - 1; }
  std::string mask;
  std::string result;

  TLink onFString;
  TLinks Str;
  void doString(TData& data, uint16_t index);
  void Result(TData& data, uint16_t index);

 private:
  std::vector<std::string> values_;
};

class THIStrCat : public TDebug {
 public:
  std::string result, str1, str2;
  TLink onStrCat;
  TLink Str1, Str2;
  void doStrCat(TData& data, uint16_t index);
  void Result(TData& data, uint16_t index);
};

class THIStrCatDelim : public TDebug {
 public:
  std::string result, delimiter, str1, str2;
  TLink onStrCatDelim;
  TLink Str1, Str2, Delimiter;
  void doStrCatDelim(TData& data, uint16_t index);
  void Result(TData& data, uint16_t index);
};

// Cuts a text in two at the first occurrence of its character (the Char property, `charText`).
class THIStrPart : public TDebug {
 public:
  enum : uint8_t { LeftFirst = 0, RightFirst = 1 };  // which half fires first (Mode)
  std::string rest, left;
  std::string charText;
  uint8_t mode = LeftFirst;

  TLink onLeft, onRight, onNotFound;
  TLink Str;
  void doSplit(TData& data, uint16_t index);
  void Left(TData& data, uint16_t index);
};

// Cuts a text into tokens at the first character of `charText`; `Part` entry i (0-based, the
// link index) reads token Skip + i.
class THIMultiStrPart : public TDebug {
 public:
  void setPartCount(int n);
  std::vector<std::string> parts;
  std::string charText;
  int32_t skip = 0;

  TLink onNotFound, onRest;
  TLink Str;
  void doSplit(TData& data, uint16_t index);
  void Part(TData& data, uint16_t index);
};

// Position is 1-based; Direction 1 counts it from the end of the text.
class THICopy : public TDebug {
 public:
  int32_t position = 0, count = 0;
  uint8_t direction = 0;
  TLink onCopy;
  TLink Str, Position, Count;
  void doCopy(TData& data, uint16_t index);
};

class THIDelete : public TDebug {
 public:
  int32_t position = 0, count = 0;
  uint8_t direction = 0;
  TLink onDelete;
  TLink Str, Position, Count;
  void doDelete(TData& data, uint16_t index);
};

// `Skip` is read before each replacement (with `position` set to the occurrence); a non-zero
// answer leaves that occurrence in place.
class THIReplace : public TDebug {
 public:
  std::string result;
  int32_t position = 0;
  std::string find, replaceBy;
  TLink onReplace;
  TLink Str, Find, ReplaceBy, Skip;
  void doReplace(TData& data, uint16_t index);
};

class THITrim : public TDebug {
 public:
  std::string result;
  TLink onTrim;
  TLink Text;
  void doTrim(TData& data, uint16_t index);
  void Result(TData& data, uint16_t index);
};

class THILength : public TDebug {
 public:
  int32_t result = 0;
  TLink onLength;
  TLink Str;
  void doLength(TData& data, uint16_t index);
  void Result(TData& data, uint16_t index);
};

// Finds the blocks that run from startMark to the next endMark, and optionally replaces them.
// Checks a text against a fixed length and a set of allowed characters, letters in either case.
class THIStrCheck : public TDebug {
 public:
  enum Verdict : int32_t { Fits = 0, TooLong = 1, TooShort = 2, ForeignCharacter = 3 };
  std::string charset;  // lower-case letters stand for both cases
  int32_t length = 0;
  TLink onResult;  // the verdict; a text that is too long is that before anything else
  TLink Text;
  void doCheck(TData& data, uint16_t index);
};

class THIBlockFind : public TDebug {
 public:
  uint8_t includeMarks = 0;
  uint8_t replaceMode = 0;
  std::string replaceBy;
  uint8_t conditional = 0;  // replace only blocks for which `Replace` reads non-zero
  std::string startMark, endMark;

  TLink onSearch, onNotFound, onBlock;
  TLink Text, Replace;
  void doSearch(TData& data, uint16_t index);
};

// Every control character (codes 0..31 and 127) of the text becomes a space: text from another
// program's file must not break the command line it is put into.
class THIBlankControls : public TDebug {
 public:
  std::string result;
  TLink onResult;
  TLink Text;
  void doBlank(TData& data, uint16_t index);
  void Result(TData& data, uint16_t index);
};

class THIConvertor : public TDebug {
 public:
  enum Mode : uint8_t {
    IntToChar = 0,  // the character whose code is the integer's low 8 bits
    HexToInt = 1,   // leading hexadecimal digits, case-insensitive
    BinToInt = 2,   // leading binary digits
  };
  uint8_t mode = IntToChar;
  TLink onResult;
  TLink Data;
  void doConvert(TData& data, uint16_t index);
};

// A list of lines; loading a file or setting the Strings property splits at CR LF, CR or LF.
// A load that finds the file missing, unreadable or changing under the read keeps the list and
// fires nothing. An empty file replaces a list that has lines only when the next load finds it
// empty again, with no missing or changing file in between: a writer that truncates and then
// writes would otherwise blank the text for a tick.
// With `acceptsAddress`, a file name "udp://ADDR:PORT" or "tcp://ADDR:PORT" is listened on
// instead: a load takes the newest title received since the last one (a datagram, or a line),
// decoded as a file's text is, and fires nothing when none came. The last title received is kept
// in the settings folder and loaded when an address is taken into use; with none ever received
// the list is Waiting, which the page shows as a problem. A name that starts like an address
// ("udp:", "tcp:") without being one is a malformed address, not a file.
class THIStrList : public TDebug {
 public:
  THIStrList();
  ~THIStrList();
  THIStrList(const THIStrList&) = delete;
  THIStrList& operator=(const THIStrList&) = delete;
  void setStrings(const std::string& text);
  std::vector<std::string> lines;
  int32_t index = -1;
  std::string current;
  std::string fileName;
  bool emptyReadHeld = false;  // the last load found the file empty and kept the lines
  // Why the file cannot be read, empty while it can; with a log name each change is logged.
  std::string problem;
  std::string logName;
  bool acceptsAddress = false;

  TLink onLoad, onGetString;
  // The file became unreadable (value: why) or readable again (value: the empty text).
  TLink onProblem;
  TLink FileName, Index;
  void doLoad(TData& data, uint16_t index);
  void doGetString(TData& data, uint16_t index);
  // Takes a new file name into use (value: the name; it is the FileName property): a listener
  // opened for another name is closed and its problem forgotten. Nothing is opened before the
  // next load.
  void doSource(TData& data, uint16_t index);
  void Text(TData& data, uint16_t index);
  // 1 while an address is listened on and no title is known yet, else 0.
  void Waiting(TData& data, uint16_t index);

  // The listener while an address is listened on, else null.
  [[nodiscard]] const platform::NowPlayingListener* listener() const { return listener_.get(); }
  // Where the last title received is kept: beside the settings file.
  static std::string StoredTitlePath();

 private:
  void reportProblem(const std::string& path, const std::string& now);
  void loadReceived(TData& data, const std::string& address);
  void takeTitle(TData& data, const std::string& title);
  void forgetProblem();

  std::unique_ptr<platform::NowPlayingListener> listener_;
  bool waiting_ = false;
  std::string storedTitle_;
};

}  // namespace hi
