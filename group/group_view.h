#pragma once

#include <string>
#include <vector>

#include "group/group.h"
#include "periods/calendar_walk.h"
#include "sheets/budget_totals.h"

namespace ondrel {

// Which budget of each entity the group adds, chosen for the whole group: the working
// budget, the validated version, or the latest landing. An entity without one shows its
// working budget, and says so.
enum class GroupBasis { Working, Validated, Landing };

// A line of one member, its months put in the group's calendar months.
struct MemberLine {
    std::string account, label;
    std::vector<Currency> months, actualMonths;
    bool budgeted = true;
};

struct GroupMember {
    std::string code, name;
    std::string shown;          // "Budget de travail", or the version's name
    bool validated = false;     // the year is validated
    bool fallsBack = false;     // it has no budget of the kind asked, and shows its working budget
    bool withActuals = false;   // its actuals are imported
    std::vector<MemberLine> lines;
};

// An account of the group: the lines of that account in every entity added; a grouping
// line of any entity (6300000000) takes the lines under it in the others.
struct GroupRow {
    std::string account;
    std::string label;                 // the reference entity's, or its class's
    std::vector<std::string> labels;   // "003 : Fournitures de bureau", where the entities' differ
    std::vector<Currency> byEntity;    // a member each
    std::vector<Currency> months;      // a calendar month each
    Currency total;
    std::vector<Currency> actualMonths;
    Currency actualTotal;
    // The budget of the members whose actuals are imported, a month each: what the
    // actuals are held against, so that a member without them raises no alert.
    std::vector<Currency> comparedMonths;
    bool budgeted = false;             // some member budgets it; otherwise it has actuals only
    bool eliminated = false;           // a flow between members: left out of the totals
};

// What a flow's two sides hold, where they differ.
struct FlowGap {
    std::string flow;
    Currency charges, produits;
    std::vector<std::pair<std::string, Currency>> chargesByEntity, produitsByEntity;
};

struct GroupView {
    std::string group, year;
    GroupBasis basis = GroupBasis::Working;
    std::vector<GroupMember> members;
    std::vector<Period> months;   // the calendar months of the members' years, in order
    // The members' years do not run over the same months: they are added month by
    // calendar month.
    bool calendarMonths = false;
    std::vector<GroupRow> rows;   // in account order
    BudgetTotals totals;          // the eliminated rows left out
    Currency eliminated;          // their budget, the two sides of every flow
    bool withActuals = false;
    std::vector<FlowGap> flowGaps;
};

// The group's year N or N+1 on the basis asked. Raises std::runtime_error, in French,
// for a year that an entity does not have.
GroupView readGroupView(Database& db, const Group& group, const std::string& year, GroupBasis basis);

// The calendar month "2027-06" as a column of the view; none where it is not one.
std::optional<std::size_t> monthIndex(const GroupView& view, const std::string& yearMonth);
// The months up to and including `through`, added: the year to date.
Currency toDate(const std::vector<Currency>& months, std::size_t through);

// "Les flux « Cotisations » ne se compensent pas : 5 000,00 en charges (001 : 3 000,00 ;
// 002 : 2 000,00), 4 880,00 en produits (003 : 4 880,00), écart de 120,00."
std::string flowGapText(const FlowGap& gap);
// "Les exercices des entités ne couvrent pas les mêmes mois : …", or empty.
std::string calendarNote(const GroupView& view);
std::string basisName(GroupBasis basis);

}  // namespace ondrel
