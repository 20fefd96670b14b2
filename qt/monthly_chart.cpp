#include "qt/monthly_chart.h"

#include <map>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QValueAxis>

namespace ondrel {

QChart* monthlyChart(const BudgetSheet& sheet, const BudgetTotals& totals) {
    // A chart is drawn in doubles: the amounts are converted here only, for the picture.
    auto* charges = new QBarSet("Charges");
    auto* produits = new QBarSet("Produits");
    auto* months = new QBarCategoryAxis;
    std::map<std::string, int> seen;
    for (std::size_t p = 0; p < sheet.periodLabels.size(); ++p) {
        *charges << totals.charges.periods[p].toDouble();
        *produits << totals.produits.periods[p].toDouble();
        // The month alone reads whole under its bars, the title gives the years; a month
        // met twice in a long year gets an invisible mark, as categories must differ.
        const std::string& label = sheet.periodLabels[p];
        const std::string month = label.substr(0, label.rfind(' '));
        months->append(QString::fromStdString(month) + QString(seen[month]++, QChar(0x200B)));
    }
    auto* series = new QBarSeries;
    series->append(charges);
    series->append(produits);
    auto* chart = new QChart;
    chart->setTitle(QString::fromStdString("Charges et produits par mois, de " + sheet.periodLabels.front() + " à " + sheet.periodLabels.back()));
    chart->addSeries(series);
    auto* amounts = new QValueAxis;
    amounts->setLabelFormat("%.0f");
    chart->addAxis(months, Qt::AlignBottom);
    chart->addAxis(amounts, Qt::AlignLeft);
    series->attachAxis(months);
    series->attachAxis(amounts);
    return chart;
}

}  // namespace ondrel
