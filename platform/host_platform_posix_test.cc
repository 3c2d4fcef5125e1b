int placeholder_host_platform_posix_test();
