// main() of the layer checks: each links one folder's library whole, with only the
// libraries below it, so that a reference into a layer above fails to link.
int main() { return 0; }
