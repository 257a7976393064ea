tabel_add_test(refdata_lists_tests
    SOURCES refdata_test.h choice_lists_test.cpp operation_kinds_test.cpp
    LIBS tabel_refdata
    DB)
