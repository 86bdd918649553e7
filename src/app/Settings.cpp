// Settings
