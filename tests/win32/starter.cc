int placeholder_starter();
