#include "MessagePump.h"

#include <gtk/gtk.h>
#include <wx/app.h>

namespace courseview {

void PumpPendingMessages() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    if (wxTheApp != nullptr) wxTheApp->ProcessPendingEvents();
}

}  // namespace courseview
