// The Velmor program: the window, or with --headless the same core without one.
int main() { return 0; }
