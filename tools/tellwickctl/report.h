#ifndef TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_
#define TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {

// Why the last read of a key failed (HelperDataModel::readFailure); nullopt
// when it read fine or found nothing.
using ReadFailure = std::function<std::optional<std::string>(SensorDataModelKey)>;

// Each category's lists as read from store, in the order given: a heading
// and an aligned table per list, blank lines between them; an empty or
// missing list reads "none reported", one that cannot be read says why.
std::string humanReport(std::span<const Category* const> categories, IHelperDataModel& store,
                        const ReadFailure& failure = {});

// One JSON object holding each list of the categories given under its store
// key ("sensors", "fans", ...), its records under their coding keys; a
// missing or unreadable list is null. Text that is not UTF-8 is printed with
// U+FFFD in place of the bad bytes.
std::string jsonReport(std::span<const Category* const> categories, IHelperDataModel& store);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_
