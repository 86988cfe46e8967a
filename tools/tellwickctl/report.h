#ifndef TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_
#define TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_

#include <span>
#include <string>

#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {

// Each category's lists as read from store, in the order given: a heading
// and an aligned table per list, blank lines between them; an empty,
// missing or unreadable list reads "none reported".
std::string humanReport(std::span<const Category* const> categories, IHelperDataModel& store);

// One JSON object holding each list of the categories given under its store
// key ("sensors", "fans", ...), its records under their coding keys; a
// missing list is null.
std::string jsonReport(std::span<const Category* const> categories, IHelperDataModel& store);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_
