#include "qt/monthly_chart.h"

#include <set>

#include <QLocale>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QValueAxis>

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

}  // namespace

QChart* monthlyChart(const BudgetSheet& sheet, const BudgetTotals& totals) {
    // A chart is drawn in doubles: the amounts are converted here only, for the picture.
    auto* charges = new QBarSet("Charges");
    auto* produits = new QBarSet("Produits");
    auto* months = new QBarCategoryAxis;
    // The month alone reads whole under its bars and the title gives the years, unless
    // a month comes twice: then each bar says its year too.
    std::set<std::string> seen;
    bool twice = false;
    for (const auto& label : sheet.periodLabels)
        twice = !seen.insert(label.substr(0, label.rfind(' '))).second || twice;
    // Once the actuals are in, each budget bar has its actual beside it.
    const bool withActuals = !sheet.actuals.empty();
    auto* actualCharges = new QBarSet("Charges réalisées");
    auto* actualProduits = new QBarSet("Produits réalisés");
    for (std::size_t p = 0; p < sheet.periodLabels.size(); ++p) {
        *charges << totals.charges.periods[p].toDouble();
        *produits << totals.produits.periods[p].toDouble();
        if (withActuals) {
            *actualCharges << totals.charges.actualPeriods[p].toDouble();
            *actualProduits << totals.produits.actualPeriods[p].toDouble();
        }
        const std::string& label = sheet.periodLabels[p];
        months->append(twice ? shortLabel(label) : QString::fromStdString(label.substr(0, label.rfind(' '))));
    }
    auto* series = new QBarSeries;
    series->append(charges);
    if (withActuals)
        series->append(actualCharges);
    series->append(produits);
    if (withActuals) {
        series->append(actualProduits);
    } else {
        delete actualCharges;
        delete actualProduits;
    }
    auto* chart = new QChart;
    chart->setTitle(QString::fromStdString("Charges et produits par mois, de " + sheet.periodLabels.front() + " à " + sheet.periodLabels.back()));
    chart->addSeries(series);
    auto* amounts = new QValueAxis;
    amounts->setLabelFormat("%.0f");
    chart->addAxis(months, Qt::AlignBottom);
    chart->addAxis(amounts, Qt::AlignLeft);
    series->attachAxis(months);
    series->attachAxis(amounts);
    amounts->applyNiceNumbers();   // round ticks: 0, 500, 1 000…
    return chart;
}

}  // namespace ondrel
