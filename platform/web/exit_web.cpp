// The end of a run in a browser: the page shows its end screen, from which the demo
// can be started again; there is no menu program to hand over to.
#include "platform/web/web.h"
#include "platform/zudezed.h"

namespace zudezed {

void exit2menu() { zz_web_demo_ended(); }

}  // namespace zudezed
