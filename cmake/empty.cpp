// Translation unit of a library that has no sources of its own yet.
