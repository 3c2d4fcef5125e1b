int placeholder_modifier_selection_test();
