// grid: a year's budget as a grid of months that a person types in, with undo, new
// lines and pasted blocks, saved through the screen. Stands on actuals (profiles, the
// actuals beside each line), and so on sheets.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "budget/currency.h"
#include "sheets/budget_import.h"
#include "sheets/budget_sheet.h"

namespace ondrel {

// A year of an entity's budget as rows of months that a person edits: one row a line,
// one column a period. Every change is one step that can be undone and redone until the
// grid is saved; saving hands the changed lines to the screen's checks.
class YearGrid {
public:
    struct Line {
        std::string account;
        std::string label;
        std::string key;
        std::vector<std::optional<Currency>> periods;   // empty where nothing is budgeted
        std::int64_t readAt = 0;                        // the revision read; 0 for a new line
        bool changed = false;
        std::vector<Currency> actual{};                 // one a period, when the actuals are read
        Currency actualTotal{};
        std::string note{};                             // why this amount
        // What a person changes in a line and a save writes.
        bool sameEntry(const Line& other) const {
            return periods == other.periods && label == other.label && key == other.key && note == other.note;
        }
    };
    // How a new total is spread over the months.
    enum class Spread { Evenly, KeepingProfile };
    // A month's amount to set; none empties it.
    struct Amount {
        std::size_t row;
        std::size_t period;
        std::optional<Currency> amount;
    };
    // Where a step changed the grid first: its line, and its month when it changed one.
    struct Place {
        std::size_t row;
        std::optional<std::size_t> period;
    };
    // The charges (class 6), the produits (class 7) and the result, month by month.
    struct Totals {
        std::vector<Currency> charges, produits, result;
        Currency chargesTotal, produitsTotal, resultTotal;
    };

    explicit YearGrid(const BudgetSheet& sheet);

    const std::string& entity() const { return entity_; }
    const std::string& year() const { return year_; }
    const std::vector<std::string>& periodLabels() const { return periodLabels_; }
    const std::vector<Line>& lines() const { return lines_; }
    bool withActuals() const { return withActuals_; }
    Currency total(std::size_t row) const;
    Totals totals() const;
    bool changed() const;
    // A line made in the grid, not yet on file.
    bool isNew(std::size_t row) const { return lines_.at(row).readAt == 0; }

    // One month's amount; none empties it.
    void setAmount(std::size_t row, std::size_t period, std::optional<Currency> amount);
    // Months of several lines at once, as one step: a block pasted.
    void setAmounts(const std::vector<Amount>& amounts);
    // Why the amounts cannot be set: a line whose total would pass what an amount zone
    // holds (the screen, the sheets and the report hold no more), in French; none when
    // they can.
    std::optional<std::string> totalRefusal(const std::vector<Amount>& amounts) const;
    void setLabel(std::size_t row, const std::string& label);
    void setKey(std::size_t row, const std::string& key);
    void setNote(std::size_t row, const std::string& note);
    // Why a new line on the complete account cannot join the lines of the grid, those
    // not saved yet included: its account has one, or a line above or below it (lines
    // never nest), in the screen's words; none when it can.
    std::optional<std::string> newLineRefusal(const std::string& account) const;
    // A line made in the grid, at the end; gives its row.
    std::size_t addLine(Line line);
    // The month's amount copied to every month after it; refused, with nothing changed,
    // where the line's total would pass what a line holds.
    [[nodiscard]] std::optional<std::string> fillRight(std::size_t row, std::size_t period);
    // A new total: evenly over the months to the cent (the screen's automatic rule), or
    // keeping the months' profile, scaled, the cent left over on the last month.
    void setTotal(std::size_t row, Currency total, Spread spread);
    // The row's total spread by a seasonal profile, a share a period.
    void spreadByProfile(std::size_t row, const std::vector<std::int64_t>& shares);
    // Every month of the rows raised or lowered by a percentage (hundredths of a
    // percent), each rounded to the cent; the total is the sum of the months. Refused
    // whole, with nothing changed, where a line's total would pass what a line holds.
    [[nodiscard]] std::optional<std::string> raise(const std::vector<std::size_t>& rows, std::int64_t percentHundredths);
    // The months of the same line of the other year, where their periods match.
    void copyMonths(std::size_t row, const std::vector<std::optional<Currency>>& other);

    bool canUndo() const { return applied_ > 0; }
    bool canRedo() const { return applied_ < steps_.size(); }
    // Where the step undone or redone changed the grid.
    std::optional<Place> undo();
    std::optional<Place> redo();

    // The changed lines, as the import writes them: each with the revision it was read at.
    std::vector<BudgetRow> changedRows() const;

    // The year read again as another desk left it, keeping the changes made here to the
    // lines that nobody changed since they were read. Gives the accounts whose changes
    // here gave way to the other desk's (a line it changed, made or took away). The
    // steps made before cannot be undone any more.
    std::vector<std::string> readAgain(const BudgetSheet& stored);

private:
    // The rows a step changed, as they were and as they became, and how many lines the
    // grid had before and after it.
    struct Step {
        std::vector<std::pair<std::size_t, Line>> before, after;
        std::size_t linesBefore = 0, linesAfter = 0;
        Place where{};
    };
    void change(const std::vector<std::size_t>& rows, const std::function<void(Line&)>& edit,
                std::optional<std::size_t> period = std::nullopt);
    // The change, unless a row as it would leave it has a total past what a line holds.
    std::optional<std::string> changeWithin(const std::vector<std::size_t>& rows, const std::function<void(Line&)>& edit,
                                            std::optional<std::size_t> period = std::nullopt);
    static std::optional<std::string> totalRefusal(const Line& line);
    void record(Step step);
    bool differsFromRead(std::size_t row) const;

    std::string entity_, year_;
    std::vector<std::string> periodLabels_;
    std::vector<Line> lines_;
    bool withActuals_ = false;
    std::vector<Line> read_;       // the lines on file as read, to tell a line changed back from one changed
    std::vector<Step> steps_;      // in the order made; those past applied_ were undone
    std::size_t applied_ = 0;
};

}  // namespace ondrel
