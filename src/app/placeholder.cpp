// Removed once the first module lands.
