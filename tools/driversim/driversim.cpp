// Placeholder; the driver stand-in is being written.
int main() { return 0; }
