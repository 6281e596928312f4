#include "platform/zudezed.h"

int main() { return zudezed::Main(); }
