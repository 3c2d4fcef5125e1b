int placeholder_host_platform_win32_test();
