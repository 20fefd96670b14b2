// One keystroke in Txt_Cpte on the desktop screen, from the key event to the list of
// Cbo_Cpte drawn, with 5,000 budget lines of the entity on file.
#include <cstdio>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "bench/bench_database.h"
#include "qt/ondrel_widget.h"
#include "tests/store/temp_database.h"
#include "tools/demo_data.h"

using namespace ondrel;

namespace {

OndrelWidget* gScreen = nullptr;

void press(QWidget* w, Qt::Key key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &down);
}

// Types the digits, then measures the last one until the list is painted.
void keystroke(benchmark::State& state, const QString& before, const QString& digit) {
    auto* account = gScreen->widgetOf("Txt_Cpte");
    auto* list = static_cast<QComboBox*>(gScreen->widgetOf("Cbo_Cpte"));
    for (auto _ : state) {
        state.PauseTiming();
        while (!gScreen->control().screen().zone("Txt_Cpte").text().empty())
            press(account, Qt::Key_Backspace, "\b");
        for (QChar c : before)
            press(account, Qt::Key(c.unicode()), c);
        state.ResumeTiming();
        press(account, Qt::Key(digit[0].unicode()), digit);
        gScreen->repaint();
        QApplication::processEvents();
        benchmark::DoNotOptimize(list->count());
    }
    state.counters["items"] = list->count();
}

void BM_FirstDigitListsEveryLine(benchmark::State& state) {
    keystroke(state, "", "6");
}

void BM_FifthDigitListsTenLines(benchmark::State& state) {
    keystroke(state, "6001", "2");
}

}  // namespace

BENCHMARK(BM_FirstDigitListsEveryLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FifthDigitListsTenLines)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    data.db->inOneTransaction([&] {
        for (int i = 0; i < 2500; ++i)
            for (const char* year : {"N0", "N1"})
                data.db->write("BUDGET", data.db->makeRecord("BUDGET", year + std::string("002") + bench::accountNumber(i),
                                                             {{bench::budgetLabel(2, i)}, {"0"}, {"100"}, {"001"}}));
    });
    // Entity 002 has no key of its own on the demo database: give it one.
    data.db->write("BUDGETCLES", data.db->makeRecord("BUDGETCLES", "002001", {{"Unique"}, {"S01"}, {"10000"}}));
    OndrelWidget screen;
    gScreen = &screen;
    screen.control().TheDatabase(data.db);
    screen.control().DroitsUtilisateur(fixedRights(2));
    screen.control().TheClient({"owner", data.path()});
    screen.guarded([&] { screen.control().Init(); });
    screen.show();
    auto* code = screen.widgetOf("Txt_CodAssoc");
    for (QChar c : QString("002"))
        press(code, Qt::Key(c.unicode()), c);
    std::printf("entity %s, %d budget lines under N0\n", screen.control().screen().zone("Txt_CodAssoc").text().c_str(), 2500);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
