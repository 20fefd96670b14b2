#include "qt/budget_report.h"

#include <algorithm>
#include <stdexcept>

#include <QChart>
#include <QDate>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPainter>
#include <QPdfWriter>

#include "platform/date_conversion.h"
#include "qt/monthly_chart.h"
#include "tools/budget_actuals.h"
#include "tools/budget_totals.h"

namespace ondrel {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

struct Row {
    QStringList cells;
    bool total = false;
};

// The table of the report: the lines, then the subtotals and totals, amounts in French.
std::vector<Row> tableRows(const BudgetSheet& sheet, const BudgetTotals& totals) {
    auto amounts = [](QStringList& cells, Currency total, const auto& periods) {
        cells << q(formatAmount(total, Grouping::Thousands));
        for (const auto& p : periods)
            cells << q(formatAmount(p, Grouping::Thousands));
    };
    // Once the actuals are in, each row is followed by its actual and its variance; a
    // variance worse than the budget is marked, which reads on a black-and-white page.
    const bool withActuals = !sheet.actuals.empty();
    std::vector<Row> rows;
    auto compare = [&](const std::string& kind, Currency total, Currency actualTotal, const std::vector<Currency>& budget,
                       const std::vector<Currency>& actual, bool bold) {
        if (!withActuals)
            return;
        Row done{{QString(), "   réalisé"}, bold}, gap{{QString(), "   écart"}, bold};
        amounts(done.cells, actualTotal, actual);
        auto gapText = [&](Currency b, Currency a) {
            return (overBudget(kind, b, a) ? "▲ " : "") + q(formatAmount(variance(b, a), Grouping::Thousands));
        };
        gap.cells << gapText(total, actualTotal);
        for (std::size_t p = 0; p < budget.size(); ++p)
            gap.cells << gapText(budget[p], actual[p]);
        rows.push_back(done);
        rows.push_back(gap);
    };
    for (const auto& line : sheet.lines) {
        Row row{{q(line.account), q(line.label), q(formatAmount(line.total, Grouping::Thousands))}, false};
        std::vector<Currency> budget;
        for (const auto& p : line.periods) {   // a month with nothing budgeted stays blank
            row.cells << (p ? q(formatAmount(*p, Grouping::Thousands)) : QString());
            budget.push_back(p.value_or(Currency::zero()));
        }
        rows.push_back(row);
        compare(line.account, line.total, line.actualTotal, budget, line.actual, false);
    }
    auto addTotal = [&](const TotalRow& t, const QString& code, const std::string& kind) {
        Row row{{code, q(t.label)}, true};
        amounts(row.cells, t.total, t.periods);
        rows.push_back(row);
        compare(kind, t.total, t.actualTotal, t.periods, t.actualPeriods, true);
    };
    for (const auto& t : totals.classes)
        addTotal(t, q(t.code), t.code);
    addTotal(totals.charges, QString(), "6");
    addTotal(totals.produits, QString(), "7");
    addTotal(totals.result, QString(), "7");
    return rows;
}

}  // namespace

void printBudgetReport(Database& db, const std::string& entity, const std::string& year, const std::string& user,
                       QPagedPaintDevice& device) {
    BudgetSheet sheet = readBudgetSheet(db, entity, year);
    compareWithActuals(db, sheet);
    const BudgetTotals totals = totalsOf(db, sheet);
    const auto name = db.read("ASSOCIATION", entity);
    const auto dates = db.read("PARAMENTITECOMPTA", entity);
    const int first = year == "N" ? 1 : 3;
    const QString title = QString("Budget %1 — %2 %3").arg(q(year), q(entity), name ? q(name->value(1, 1)) : QString());
    const QString period = QString("Exercice du %1 au %2").arg(q(DateToText(dates->value(first, 1))),
                                                                q(DateToText(dates->value(first + 1, 1))));
    const QString printed = QString("Imprimé le %1 par %2").arg(QDate::currentDate().toString("dd/MM/yyyy"), q(user));

    QStringList header{"Compte", "Libellé", "Total"};
    for (const auto& label : sheet.periodLabels)
        header << q(label);
    const std::vector<Row> rows = tableRows(sheet, totals);

    QPainter painter(&device);
    if (!painter.isActive())
        throw std::runtime_error("le rapport n'a pas pu être ouvert pour l'écriture");
    // The painter starts at the top left of the printable area, in device pixels.
    const QRectF page(0, 0, device.width(), device.height());
    // The account and the label take room for their texts, the amounts share the rest.
    // A long year narrows the amounts' columns: the font shrinks until the widest
    // heading word and the widest amount fit in theirs, in bold as the totals are.
    QFont font("DejaVu Sans");
    const double labelWidth = page.width() * 0.16;
    double accountWidth = 0, amountWidth = 0, gap = 0;
    for (double size = 6.5; size >= 4; size -= 0.25) {
        font.setPointSizeF(size);
        QFont bold = font;
        bold.setBold(true);
        const QFontMetricsF plain(font, &device), wide(bold, &device);
        gap = plain.horizontalAdvance("00");   // between two columns' texts
        accountWidth = wide.horizontalAdvance("0000000000") + 2 * gap;
        amountWidth = (page.width() - accountWidth - labelWidth) / (header.size() - 2);
        double widest = 0;
        for (int c = 2; c < header.size(); ++c)
            for (const QString& word : header[c].split(' '))
                widest = std::max(widest, wide.horizontalAdvance(word));
        for (const Row& row : rows)
            for (int c = 2; c < row.cells.size(); ++c)
                widest = std::max(widest, wide.horizontalAdvance(row.cells[c]));
        if (widest + gap <= amountWidth)
            break;
    }
    painter.setFont(font);
    const double lineHeight = painter.fontMetrics().height() * 1.4;
    auto columnRect = [&](int c, double y) {
        const double x = c == 0 ? 0 : c == 1 ? accountWidth : accountWidth + labelWidth + (c - 2) * amountWidth;
        const double w = c == 0 ? accountWidth : c == 1 ? labelWidth : amountWidth;
        return QRectF(page.left() + x, y, w - gap, lineHeight);
    };
    const double top = page.top() + 4 * lineHeight;
    const int perPage = static_cast<int>((page.height() - 5 * lineHeight) / lineHeight) - 2;
    const int tablePages = std::max(1, static_cast<int>((rows.size() + perPage - 1) / perPage));
    const int pages = tablePages + 1;   // and the chart

    auto pageTop = [&](int number) {
        QFont bold = font;
        bold.setBold(true);
        bold.setPointSizeF(9);
        painter.setFont(bold);
        painter.drawText(QRectF(page.left(), page.top(), page.width(), lineHeight * 1.4), title);
        painter.setFont(font);
        painter.drawText(QRectF(page.left(), page.top() + lineHeight * 1.5, page.width(), lineHeight), period);
        painter.drawText(QRectF(page.left(), page.top() + lineHeight * 1.5, page.width(), lineHeight),
                         Qt::AlignRight, printed);
        painter.drawText(QRectF(page.left(), page.bottom() - lineHeight, page.width(), lineHeight), Qt::AlignRight,
                         QString("Page %1 / %2").arg(number).arg(pages));
    };
    auto drawRow = [&](const QStringList& cells, double y, bool bold) {
        QFont f = font;
        f.setBold(bold);
        painter.setFont(f);
        for (int c = 0; c < cells.size(); ++c)
            painter.drawText(columnRect(c, y), (c < 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(cells[c], Qt::ElideRight,
                                                              static_cast<int>(columnRect(c, y).width())));
        painter.setFont(font);
    };
    // The header row on two lines: "septembre" above "2027" reads whole in its column.
    auto drawHeader = [&](double y) {
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        for (int c = 0; c < header.size(); ++c) {
            QRectF cell = columnRect(c, y);
            cell.setHeight(2 * lineHeight);
            painter.drawText(cell, (c < 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignBottom,
                             QString(header[c]).replace(' ', '\n'));
        }
        painter.setFont(font);
    };

    for (int p = 0; p < tablePages; ++p) {
        if (p > 0)
            device.newPage();
        pageTop(p + 1);
        drawHeader(top);
        painter.drawLine(QPointF(page.left(), top + 2 * lineHeight), QPointF(page.right(), top + 2 * lineHeight));
        for (int r = 0; r < perPage; ++r) {
            const std::size_t index = static_cast<std::size_t>(p * perPage + r);
            if (index >= rows.size())
                break;
            drawRow(rows[index].cells, top + (r + 2) * lineHeight, rows[index].total);
        }
    }
    device.newPage();
    pageTop(pages);
    QGraphicsScene scene;
    QChart* chart = monthlyChart(sheet, totals);
    scene.addItem(chart);
    // Laid out at the size of a screen, so that its texts keep their size, then scaled
    // onto the page.
    const QRectF area(page.left(), top, page.width(), page.height() - 6 * lineHeight);
    const QSizeF screenSize(1100, 1100 * area.height() / area.width());
    chart->resize(screenSize);
    scene.render(&painter, area, QRectF(QPointF(0, 0), screenSize));
}

void writeBudgetPdf(Database& db, const std::string& entity, const std::string& year, const std::string& user,
                    const std::string& path) {
    QPdfWriter pdf(q(path));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    pdf.setTitle(q("Budget " + entity + " " + year));
    pdf.setCreator("Ondrel");
    printBudgetReport(db, entity, year, user, pdf);
}

}  // namespace ondrel
