#include "qt/overview/monthly_chart.h"

#include <algorithm>
#include <cmath>
#include <set>

#include <QLocale>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QValueAxis>

#include "sheets/comparison.h"

namespace ondrel {

namespace {

// "septembre 2027" as "sept.", or "sept.<br>2027" when a long year meets a month twice:
// the short French month reads whole under its bars at every scale.
QString monthLabel(const std::string& label, bool withYear) {
    const QLocale french(QLocale::French);
    QString month = QString::fromStdString(label.substr(0, label.rfind(' ')));
    for (int m = 1; m <= 12; ++m)
        if (french.monthName(m, QLocale::LongFormat) == month)
            month = french.monthName(m, QLocale::ShortFormat);
    return withYear ? month + "<br>" + QString::fromStdString(label.substr(label.rfind(' ') + 1)) : month;
}

// The bars of one total for the measure chosen: amounts as doubles, for the picture only.
QBarSet* bars(const QString& name, const TotalRow& total, ChartMeasure measure) {
    auto* set = new QBarSet(name);
    for (std::size_t p = 0; p < total.periods.size(); ++p) {
        const Currency budget = total.periods[p];
        const Currency actual = p < total.actualPeriods.size() ? total.actualPeriods[p] : Currency::zero();
        switch (measure) {
        case ChartMeasure::Budget: *set << budget.toDouble(); break;
        case ChartMeasure::Actual: *set << actual.toDouble(); break;
        case ChartMeasure::Variance: *set << variance(budget, actual).toDouble(); break;
        case ChartMeasure::VariancePercent: *set << variancePercent(budget, actual).value_or(0.0); break;
        }
    }
    return set;
}

// Round ticks, four or five at most, so that a short chart still writes each amount
// whole: 0, 1 000, 2 000, 3 000 for a top of 2 500.
void roundTicks(QValueAxis* axis) {
    const double low = std::min(axis->min(), 0.0);
    double high = std::max(axis->max(), 0.0);
    if (high <= low)
        high = low + 100;   // nothing to draw: still an axis
    const double rough = (high - low) / 3;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (m * power >= rough) {
            step = m * power;
            break;
        }
    const double bottom = std::floor(low / step) * step;
    const double top = std::ceil(high / step) * step;
    axis->setRange(bottom, top);
    axis->setTickCount(static_cast<int>(std::lround((top - bottom) / step)) + 1);
}

}  // namespace

QChart* monthlyChart(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure) {
    auto* months = new QBarCategoryAxis;
    // The month alone under its bars and the title gives the years, unless a month comes
    // twice: then each bar says its year too.
    std::set<std::string> seen;
    bool twice = false;
    for (const auto& label : sheet.periodLabels)
        twice = !seen.insert(label.substr(0, label.rfind(' '))).second || twice;
    for (const auto& label : sheet.periodLabels)
        months->append(monthLabel(label, twice));
    // The budget, with its actual beside it once the actuals are in; or what was chosen.
    const bool withActuals = !sheet.actuals.empty();
    if (!withActuals)
        measure = ChartMeasure::Budget;
    auto* series = new QBarSeries;
    QString title = "Charges et produits";
    switch (measure) {
    case ChartMeasure::Budget:
        series->append(bars("Charges", totals.charges, ChartMeasure::Budget));
        if (withActuals)
            series->append(bars("Charges réalisées", totals.charges, ChartMeasure::Actual));
        series->append(bars("Produits", totals.produits, ChartMeasure::Budget));
        if (withActuals)
            series->append(bars("Produits réalisés", totals.produits, ChartMeasure::Actual));
        break;
    case ChartMeasure::Actual:
        title = "Charges et produits réalisés";
        series->append(bars("Charges réalisées", totals.charges, measure));
        series->append(bars("Produits réalisés", totals.produits, measure));
        break;
    case ChartMeasure::Variance:
    case ChartMeasure::VariancePercent:
        title = measure == ChartMeasure::Variance ? "Écart au budget des charges et des produits"
                                                  : "Écart au budget des charges et des produits, en %";
        series->append(bars("Écart des charges", totals.charges, measure));
        series->append(bars("Écart des produits", totals.produits, measure));
        break;
    }
    auto* chart = new QChart;
    chart->setTitle(title + QString::fromStdString(" par mois, de " + sheet.periodLabels.front() + " à " + sheet.periodLabels.back()));
    chart->addSeries(series);
    auto* amounts = new QValueAxis;
    amounts->setLabelFormat(measure == ChartMeasure::VariancePercent ? "%.0f %%" : "%.0f");
    chart->addAxis(months, Qt::AlignBottom);
    chart->addAxis(amounts, Qt::AlignLeft);
    series->attachAxis(months);
    series->attachAxis(amounts);
    roundTicks(amounts);
    return chart;
}

}  // namespace ondrel
