// The screens are resources only; this library carries them into the program and
// into the tests that load them.
