int placeholder_path_split_test();
