# Writes OUT, a C++ source that holds the official schema files FILES (a ;-list) as the table
# VyrFiscal::Nfce::EsquemasOficiais() answers (nfce/official_schemas.h). Each byte goes as an
# escape of its own: reading the files as text would lose their carriage returns.
set(text "// Generated from packages/fiscal/nfce/schemas/nfe-4.00 by embed_schemas.cmake.\n")
string(APPEND text "#include \"fiscal/nfce/official_schemas.h\"\n\n")
string(APPEND text "namespace VyrFiscal::Nfce {\n\n")
string(APPEND text "const std::vector<EsquemaOficial>& EsquemasOficiais() {\n")
string(APPEND text "  static const std::vector<EsquemaOficial> esquemas = {\n")
foreach(file IN LISTS FILES)
  get_filename_component(name "${file}" NAME)
  file(SIZE "${file}" size)
  file(READ "${file}" content HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" content "${content}")
  string(APPEND text "      {\"${name}\", std::string(\"${content}\", ${size})},\n")
endforeach()
string(APPEND text "  };\n  return esquemas;\n}\n\n}  // namespace VyrFiscal::Nfce\n")
file(WRITE "${OUT}.tmp" "${text}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
