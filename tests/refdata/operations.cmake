tabel_add_test(refdata_operations_tests
    SOURCES refdata_test.h operations_test.cpp operation_price_editor_test.cpp norms_test.cpp
    LIBS tabel_refdata tabel_shiftlog
    DB)
