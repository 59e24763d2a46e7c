# Writes OUT, a C++ source that holds the program's text lists as strings.
# Run as: cmake -DDIR=<resources folder> -DOUT=<file> -P embed_texts.cmake
function(embed_text var file)
  file(READ ${DIR}/${file} text)
  string(REGEX REPLACE "\n$" "" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()
embed_text(pty_names pty_names.txt)
embed_text(af_frequencies af_frequencies.txt)
file(WRITE ${OUT}.tmp "// Generated from resources/*.txt at build time.
#include \"encoder/resource_texts.h\"

namespace hi {
const char* PtyNamesText() {
  return R\"rds(${pty_names})rds\";
}
const char* AfFrequenciesText() {
  return R\"rds(${af_frequencies})rds\";
}
}  // namespace hi
")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
