// Removed once the form runtime lands.
