int placeholder_locale_names_test();
