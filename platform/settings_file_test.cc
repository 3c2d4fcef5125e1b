int placeholder_settings_file_test();
