// TARVS entry point (filled in with the engine start-up).
int main() { return 0; }
