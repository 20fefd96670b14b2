#include "qt/overview/budget_report.h"

#include <algorithm>
#include <stdexcept>

#include <QChart>
#include <QDate>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPainter>
#include <QPdfWriter>

#include "platform/date_conversion.h"
#include "qt/overview/monthly_chart.h"
#include "actuals/budget_actuals.h"
#include "sheets/comparison.h"
#include "sheets/budget_totals.h"
#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "versions/version_comparison.h"
#include "versions/versions.h"

namespace ondrel {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

struct Row {
    QStringList cells;
    bool total = false;
    bool wide = false;   // a footnote, across the page
};

// Where a report's page is this wide, a note's line is cut at a blank.
constexpr int kFootnoteWidth = 160;

// The notes of the lines as footnotes: "(1)" after the label, the note below the totals,
// each of its lines cut to the page.
void addFootnotes(const BudgetSheet& sheet, std::vector<Row>& rows) {
    int number = 0;
    for (const auto& line : sheet.lines) {
        if (line.note.empty())
            continue;
        ++number;
        for (auto& row : rows)
            if (!row.total && !row.cells.isEmpty() && row.cells[0] == q(line.account))
                row.cells[1] = QString("%1 (%2)").arg(row.cells[1]).arg(number);
        bool first = true;
        for (const QString& text : q(line.note).split('\n')) {
            QString rest = text;
            do {
                int cut = rest.size() <= kFootnoteWidth ? rest.size() : rest.lastIndexOf(' ', kFootnoteWidth);
                if (cut <= 0)
                    cut = std::min<int>(kFootnoteWidth, rest.size());
                rows.push_back({{first ? QString("(%1)").arg(number) : QString(), rest.left(cut).trimmed()}, false, true});
                rest = rest.mid(cut).trimmed();
                first = false;
            } while (!rest.isEmpty());
        }
    }
}

// Compared: a row a line, then the classes and the three totals, with both totals, their
// difference and its percentage, then the difference of each month.
std::vector<Row> comparedRows(const SheetComparison& c) {
    std::vector<Row> rows;
    auto add = [&](const ComparedRow& r, const QString& code, const QString& label, bool total) {
        Row row{{code, label}, total};
        const auto percent = variancePercent(r.leftTotal, r.rightTotal);
        row.cells << q(formatAmount(r.leftTotal, Grouping::Thousands)) << q(formatAmount(r.rightTotal, Grouping::Thousands))
                  << q(formatAmount(variance(r.leftTotal, r.rightTotal), Grouping::Thousands)) << q(percentText(percent));
        for (std::size_t p = 0; p < r.left.size(); ++p)
            row.cells << q(formatAmount(variance(r.left[p], r.right[p]), Grouping::Thousands));
        rows.push_back(row);
    };
    for (const auto& line : c.lines) {
        const std::string change = lineChange(line);
        add(line, q(line.code), q(line.label) + (change.empty() ? QString() : " (" + q(change) + ")"), false);
    }
    for (const auto& t : c.classes)
        add(t, q(t.code), q(t.label), true);
    for (const auto* t : {&c.charges, &c.produits, &c.result})
        add(*t, QString(), q(t->label), true);
    return rows;
}

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

// The texts on top of every page.
struct Titles {
    QString title, period, printed;
};

// The second line says what the figures are: the version printed, or the validation
// that locks the working budget.
Titles titlesOf(Database& db, const ReportSubject& subject, const std::string& user) {
    const auto name = db.read("ASSOCIATION", subject.entity);
    const auto dates = db.read("PARAMENTITECOMPTA", subject.entity);
    const int first = subject.year == "N" ? 1 : 3;
    QString period = QString("Exercice du %1 au %2").arg(q(DateToText(dates->value(first, 1))),
                                                         q(DateToText(dates->value(first + 1, 1))));
    if (!subject.version.empty()) {
        period += " — Version " + q(versionCaption(versionNamed(db, subject.entity, subject.year, subject.version)));
    } else if (const auto lock = budgetLock(db, yearCodeFor(subject.year), subject.entity)) {
        period += " — " + q(lockCaption(*lock));
    }
    return {QString("Budget %1 — %2 %3").arg(q(subject.year), q(subject.entity), name ? q(name->value(1, 1)) : QString()),
            period, QString("Imprimé le %1 par %2").arg(QDate::currentDate().toString("dd/MM/yyyy"), q(user))};
}


// The report's pages on the device: the table in columns that fit the year, as many
// pages as it takes, then the chart on a page of its own.
class ReportPages {
public:
    ReportPages(QPagedPaintDevice& device, Titles titles, QStringList header, std::vector<Row> rows)
        : device_(device), painter_(&device), titles_(std::move(titles)), header_(std::move(header)),
          rows_(std::move(rows)) {
        if (!painter_.isActive())
            throw std::runtime_error("le rapport n'a pas pu être ouvert pour l'écriture");
        fitColumns();
        painter_.setFont(font_);
        lineHeight_ = painter_.fontMetrics().height() * 1.4;
        top_ = page_.top() + 4 * lineHeight_;
        perPage_ = static_cast<int>((page_.height() - 5 * lineHeight_) / lineHeight_) - 2;
        tablePages_ = std::max(1, static_cast<int>((rows_.size() + perPage_ - 1) / perPage_));
    }

    void drawTable() {
        for (int p = 0; p < tablePages_; ++p) {
            if (p > 0)
                device_.newPage();
            drawPageTop(p + 1);
            drawHeader();
            const double below = top_ + 2 * lineHeight_;
            painter_.drawLine(QPointF(page_.left(), below), QPointF(page_.right(), below));
            for (int r = 0; r < perPage_; ++r) {
                const std::size_t index = static_cast<std::size_t>(p * perPage_ + r);
                if (index >= rows_.size())
                    break;
                drawRow(rows_[index], top_ + (r + 2) * lineHeight_);
            }
        }
    }

    // Laid out at the size of a screen, so that its texts keep their size, then scaled
    // onto the page.
    void drawChart(QChart* chart) {
        device_.newPage();
        drawPageTop(tablePages_ + 1);
        QGraphicsScene scene;
        scene.addItem(chart);
        const QRectF area(page_.left(), top_, page_.width(), page_.height() - 6 * lineHeight_);
        const QSizeF screenSize(1100, 1100 * area.height() / area.width());
        chart->resize(screenSize);
        scene.render(&painter_, area, QRectF(QPointF(0, 0), screenSize));
    }

private:
    QFont bold(double size = 0) const {
        QFont f = font_;
        f.setBold(true);
        if (size > 0)
            f.setPointSizeF(size);
        return f;
    }

    // The account and the label take room for their texts, the amounts share the rest.
    // A long year narrows the amounts' columns: the font shrinks until the widest
    // heading word and the widest amount fit in theirs, in bold as the totals are.
    void fitColumns() {
        labelWidth_ = page_.width() * 0.16;
        for (double size = 6.5; size >= 4; size -= 0.25) {
            font_.setPointSizeF(size);
            const QFontMetricsF plain(font_, &device_), wide(bold(), &device_);
            gap_ = plain.horizontalAdvance("00");   // between two columns' texts
            accountWidth_ = wide.horizontalAdvance("0000000000") + 2 * gap_;
            amountWidth_ = (page_.width() - accountWidth_ - labelWidth_) / (header_.size() - 2);
            if (widestAmount(wide) + gap_ <= amountWidth_)
                return;
        }
    }

    double widestAmount(const QFontMetricsF& metrics) const {
        double widest = 0;
        for (int c = 2; c < header_.size(); ++c)
            for (const QString& word : header_[c].split(' '))
                widest = std::max(widest, metrics.horizontalAdvance(word));
        for (const Row& row : rows_)
            for (int c = 2; c < row.cells.size() && !row.wide; ++c)
                widest = std::max(widest, metrics.horizontalAdvance(row.cells[c]));
        return widest;
    }

    QRectF columnRect(int c, double y) const {
        const double x = c == 0 ? 0 : c == 1 ? accountWidth_ : accountWidth_ + labelWidth_ + (c - 2) * amountWidth_;
        const double w = c == 0 ? accountWidth_ : c == 1 ? labelWidth_ : amountWidth_;
        return QRectF(page_.left() + x, y, w - gap_, lineHeight_);
    }

    void drawPageTop(int number) {
        painter_.setFont(bold(9));
        painter_.drawText(QRectF(page_.left(), page_.top(), page_.width(), lineHeight_ * 1.4), titles_.title);
        painter_.setFont(font_);
        const QRectF second(page_.left(), page_.top() + lineHeight_ * 1.5, page_.width(), lineHeight_);
        painter_.drawText(second, titles_.period);
        painter_.drawText(second, Qt::AlignRight, titles_.printed);
        painter_.drawText(QRectF(page_.left(), page_.bottom() - lineHeight_, page_.width(), lineHeight_),
                          Qt::AlignRight, QString("Page %1 / %2").arg(number).arg(tablePages_ + 1));
    }

    // The header row on two lines: "septembre" above "2027" reads whole in its column.
    void drawHeader() {
        painter_.setFont(bold());
        for (int c = 0; c < header_.size(); ++c) {
            QRectF cell = columnRect(c, top_);
            cell.setHeight(2 * lineHeight_);
            painter_.drawText(cell, (c < 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignBottom,
                              QString(header_[c]).replace(' ', '\n'));
        }
        painter_.setFont(font_);
    }

    void drawRow(const Row& row, double y) {
        if (row.wide) {
            const QRectF across(page_.left(), y, page_.width(), lineHeight_);
            painter_.drawText(columnRect(0, y), Qt::AlignLeft | Qt::AlignVCenter, row.cells[0]);
            painter_.drawText(across.adjusted(accountWidth_, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                              painter_.fontMetrics().elidedText(row.cells[1], Qt::ElideRight,
                                                                static_cast<int>(across.width() - accountWidth_)));
            return;
        }
        const QStringList& cells = row.cells;
        painter_.setFont(row.total ? bold() : font_);
        for (int c = 0; c < cells.size(); ++c) {
            const QRectF cell = columnRect(c, y);
            painter_.drawText(cell, (c < 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                              painter_.fontMetrics().elidedText(cells[c], Qt::ElideRight, static_cast<int>(cell.width())));
        }
        painter_.setFont(font_);
    }

    QPagedPaintDevice& device_;
    QPainter painter_;
    // The painter starts at the top left of the printable area, in device pixels.
    const QRectF page_{0, 0, static_cast<double>(device_.width()), static_cast<double>(device_.height())};
    const Titles titles_;
    const QStringList header_;
    const std::vector<Row> rows_;
    QFont font_{"DejaVu Sans"};
    double labelWidth_ = 0, accountWidth_ = 0, amountWidth_ = 0, gap_ = 0, lineHeight_ = 0, top_ = 0;
    int perPage_ = 0, tablePages_ = 0;
};

}  // namespace

void printBudgetReport(Database& db, const ReportSubject& subject, const std::string& user, QPagedPaintDevice& device) {
    BudgetSheet sheet = budgetNamed(db, subject.entity, subject.year, subject.version);
    QStringList header{"Compte", "Libellé"};
    std::vector<Row> rows;
    BudgetTotals totals;
    if (subject.against) {
        const auto c = compareSheets(db, budgetName(*subject.against),
                                     budgetNamed(db, subject.entity, subject.year, *subject.against),
                                     budgetName(subject.version), sheet);
        header << q(c.leftName) << q(c.rightName) << "Écart" << "Écart %";
        for (const auto& label : sheet.periodLabels)
            header << "écart " + q(label);
        rows = comparedRows(c);
        totals = totalsOf(db, sheet);
    } else {
        compareWithActuals(db, sheet);
        totals = totalsOf(db, sheet);
        header << "Total";
        for (const auto& label : sheet.periodLabels)
            header << q(label);
        rows = tableRows(sheet, totals);
    }
    addFootnotes(sheet, rows);
    ReportPages pages(device, titlesOf(db, subject, user), header, rows);
    pages.drawTable();
    pages.drawChart(monthlyChart(sheet, totals));
}

void writeBudgetPdf(Database& db, const ReportSubject& subject, const std::string& user, const std::string& path) {
    QPdfWriter pdf(q(path));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    pdf.setTitle(q("Budget " + subject.entity + " " + subject.year));
    pdf.setCreator("Ondrel");
    printBudgetReport(db, subject, user, pdf);
}

}  // namespace ondrel
