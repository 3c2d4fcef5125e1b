int placeholder_command_line_builder_test();
