int placeholder_template_expansion_test();
