# Adds the .xlsx reader to the test support library; include it after tabel_testsupport exists.
include_guard(GLOBAL)
target_sources(tabel_testsupport PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/xlsx_reader.h ${CMAKE_CURRENT_LIST_DIR}/xlsx_reader.cpp)
