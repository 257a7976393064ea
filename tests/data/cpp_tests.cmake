tabel_add_test(data_tests
    SOURCES connection_string_test.cpp parameters_test.cpp dataset_test.cpp data_module_test.cpp
        statement_runner_test.cpp
    LIBS tabel_data
    DB)
