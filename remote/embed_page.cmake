# Writes the web console's page into a C++ source as one string, so the program serves it from
# memory and no file on disk can stand in for it.
file(READ ${IN} page)
file(WRITE ${OUT} "namespace remote {\nextern const char* const kWebPage;\nconst char* const kWebPage = R\"rdspage(${page})rdspage\";\n}  // namespace remote\n")
