int placeholder_run_sequence_test();
