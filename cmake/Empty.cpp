// Compiled only so that a target exists to make a precompiled header that others reuse.
