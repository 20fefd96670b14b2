#include "qt/monthly_chart.h"

#include <set>

#include <QLocale>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QValueAxis>

#include "sheets/comparison.h"

namespace ondrel {

namespace {

// "octobre 2026" as "oct. 2026": the short French month keeps a year's label under its
// bars when a long year meets a month twice.
QString shortLabel(const std::string& label) {
    const QLocale french(QLocale::French);
    QString month = QString::fromStdString(label.substr(0, label.rfind(' ')));
    for (int m = 1; m <= 12; ++m)
        if (french.monthName(m, QLocale::LongFormat) == month)
            month = french.monthName(m, QLocale::ShortFormat);
    return month + "<br>" + QString::fromStdString(label.substr(label.rfind(' ') + 1));
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

}  // namespace

QChart* monthlyChart(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure) {
    auto* months = new QBarCategoryAxis;
    // The month alone reads whole under its bars and the title gives the years, unless
    // a month comes twice: then each bar says its year too.
    std::set<std::string> seen;
    bool twice = false;
    for (const auto& label : sheet.periodLabels)
        twice = !seen.insert(label.substr(0, label.rfind(' '))).second || twice;
    for (const auto& label : sheet.periodLabels)
        months->append(twice ? shortLabel(label) : QString::fromStdString(label.substr(0, label.rfind(' '))));
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
    amounts->applyNiceNumbers();   // round ticks: 0, 500, 1 000…
    return chart;
}

}  // namespace ondrel
