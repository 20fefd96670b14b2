#include "control/crt_ondrel.h"
#include "periods/calendar_walk.h"

namespace ondrel {

// The months of the fiscal year on screen, each with its period index as item data.
// A year whose end month is never reached lists no period and raises its error.
void Crt_Ondrel::RemplirCboPeriode() {
    Cbo_Periode.clear();
    auto periods = walkFiscalYear(Txt_DateDebutExercice.text(), Txt_DateFinExercice.text());
    for (std::size_t i = 0; i < periods.size(); ++i) {
        Cbo_Periode.addItem(periods[i].label);
        Cbo_Periode.setItemData(Cbo_Periode.newIndex(), static_cast<std::int32_t>(i));
    }
    Cbo_Periode.setEnabled(false);
    Cdr_Repartition.setEnabled(false);
}

}  // namespace ondrel
