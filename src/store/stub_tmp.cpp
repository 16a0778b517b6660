#include "store/Spage.h"
namespace ruzer {
void AttachPagePanel(App&) {}
void LoadActivePage(App&) {}
void WriteTreeWidth(App&, int) {}
}
