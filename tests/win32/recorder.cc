int placeholder_recorder();
