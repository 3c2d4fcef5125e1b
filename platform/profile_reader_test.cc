int placeholder_profile_reader_test();
