#include "app/app.h"

int main(int argc, char** argv) { return zudezed::Main(argc, argv); }
