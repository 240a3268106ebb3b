// Keeps the tool libraries non-empty while they are being filled.
