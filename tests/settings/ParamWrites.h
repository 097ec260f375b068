#pragma once

#include <QMetaType>
#include <QStringList>
#include <QTest>

#include <string>
#include <utility>
#include <vector>

// Parameter name and value, in the order they were reported or written.
using ParamWrites = std::vector<std::pair<std::string, int>>;
Q_DECLARE_METATYPE(ParamWrites)

namespace QTest {
template <>
inline char* toString(const ParamWrites& writes) {
    QStringList texts;
    for (const auto& write : writes) {
        texts << QString("%1=%2").arg(QString::fromStdString(write.first)).arg(write.second);
    }
    return toString("{" + texts.join(", ") + "}");
}
}  // namespace QTest
