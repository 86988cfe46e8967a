#ifndef TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_
#define TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {

// Why the last read of a key failed (HelperDataModel::readFailure); nullopt
// when it read fine or found nothing.
using ReadFailure = std::function<std::optional<std::string>(SensorDataModelKey)>;

// The categories whose answer the helper could not store, with its reason:
// the store holds an earlier answer of theirs, or none, which is not read.
using NotStored = std::map<const Category*, std::string>;

// Each category's lists as read from store, in the order given: a heading
// and an aligned table per list, blank lines between them; an empty or
// missing list reads "none reported", one that cannot be read says why, and
// so does one that was not stored.
std::string humanReport(std::span<const Category* const> categories, IHelperDataModel& store,
                        const ReadFailure& failure = {}, const NotStored& notStored = {});

// One JSON object holding each list of the categories given under its store
// key ("sensors", "fans", ...), its records under their coding keys; a
// missing, unreadable or unstored list is null. Text that is not UTF-8 is
// printed with U+FFFD in place of the bad bytes.
std::string jsonReport(std::span<const Category* const> categories, IHelperDataModel& store,
                       const NotStored& notStored = {});

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_REPORT_H_
