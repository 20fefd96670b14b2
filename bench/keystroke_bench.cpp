// One keystroke in Txt_Cpte on the desktop screen, from the key event to the list of
// Cbo_Cpte drawn, for lists of 2,500, 10,000 and 100,000 items: the budget lines of an
// entity, and the chart accounts of another that has no budget line yet.
#include <malloc.h>

#include <cstdio>
#include <map>
#include <memory>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include "bench/bench_database.h"
#include "qt/entry/ondrel_widget.h"
#include "tests/store/temp_database.h"
#include "admin/demo_data.h"

using namespace ondrel;

namespace {

// A demo database where entity 002 has `size` budget lines under N0 and entity 003 a
// chart of `size` more accounts, and a screen on it.
struct Desk {
    explicit Desk(int size) {
        writeDemoData(*data.db, "owner");
        data.db->inOneTransaction([&] {
            for (int i = 0; i < size; ++i) {
                const std::string account = bench::wideAccountNumber(i);
                data.db->write("BUDGET", data.db->makeRecord("BUDGET", "N0002" + account,
                                                             {{bench::budgetLabel(2, i)}, {"0"}, {"100"}, {"001"}}));
                data.db->write("PLANCOMPTABLE",
                               data.db->makeRecord("PLANCOMPTABLE", "003" + account, {{bench::budgetLabel(3, i)}}));
            }
            // Entity 002 has no key of its own on the demo database: give it one.
            data.db->write("BUDGETCLES", data.db->makeRecord("BUDGETCLES", "002001", {{"Unique"}, {"S01"}, {"10000"}}));
        });
        screen = std::make_unique<OndrelWidget>();
        screen->control().TheDatabase(data.db);
        screen->control().DroitsUtilisateur(fixedRights(2));
        screen->control().TheClient({"owner", data.path()});
        screen->guarded([&] { screen->control().Init(); });
        screen->show();
    }
    test::TempDatabase data;
    std::unique_ptr<OndrelWidget> screen;
};

std::unique_ptr<Desk> gDesk;
// ONDREL_BENCH_WHOLE_WINDOW=1 repaints the whole screen at each keystroke, as the first
// version of this benchmark did, for comparison with its figures.
const bool gWholeWindow = qEnvironmentVariableIsSet("ONDREL_BENCH_WHOLE_WINDOW");
int gDeskSize = 0;

Desk& desk(int size) {
    if (gDeskSize != size) {
        gDesk.reset();   // one control at a time: the instances of a thread share their files
        gDesk = std::make_unique<Desk>(size);
        gDeskSize = size;
    }
    return *gDesk;
}

void press(QWidget* w, Qt::Key key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &down);
}

void typeCode(OndrelWidget& screen, const char* code) {
    QWidget* w = screen.widgetOf("Txt_CodAssoc");
    w->setFocus();
    for (QChar c : QString(code))
        press(w, Qt::Key(c.unicode()), c);
    press(w, Qt::Key_Return, "\r");
}

// Small blocks and the large ones that malloc maps apart.
std::size_t heapInUse() {
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Types "6" in the empty account zone of entity `code` and measures until what it
// changed on screen is painted: the account zone and the refilled list. Reports the items listed and the heap each of them holds in the host.
void keystroke(benchmark::State& state, const char* code) {
    const int size = static_cast<int>(state.range(0));
    OndrelWidget& screen = *desk(size).screen;
    typeCode(screen, code);
    QWidget* account = screen.widgetOf("Txt_Cpte");
    account->setFocus();
    auto* list = static_cast<QComboBox*>(screen.widgetOf("Cbo_Cpte"));
    for (auto _ : state) {
        state.PauseTiming();
        press(account, Qt::Key_Backspace, "\b");
        QApplication::processEvents();
        state.ResumeTiming();
        press(account, Qt::Key_6, "6");
        if (gWholeWindow) {
            screen.repaint();
        } else {
            account->repaint();   // what the keystroke changed on screen
            list->repaint();
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(list->count());
    }
    // What the list costs, in the model and the window together: the heap it gives back
    // when the model's list is emptied and drawn.
    const int items = list->count();
    const double filled = static_cast<double>(heapInUse());
    screen.guarded([&] { screen.control().screen().zone("Cbo_Cpte").clear(); });
    state.counters["items"] = items;
    state.counters["list_bytes_per_item"] = (filled - static_cast<double>(heapInUse())) / std::max(1, items);
}

void BM_BudgetLinesListed(benchmark::State& state) {
    keystroke(state, "002");
}

void BM_ChartAccountsListed(benchmark::State& state) {
    keystroke(state, "003");
}

}  // namespace

BENCHMARK(BM_BudgetLinesListed)->Arg(2500)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartAccountsListed)->Arg(2500)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gDesk.reset();
    return 0;
}
