"""Stand-in for the account, library, update, statistics and crash-report servers."""
