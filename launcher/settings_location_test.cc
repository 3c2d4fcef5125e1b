int placeholder_settings_location_test();
