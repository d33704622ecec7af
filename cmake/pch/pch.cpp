// Compiles nothing: the target exists to own a precompiled header.
