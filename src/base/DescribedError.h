#pragma once

#include <QString>

#include <utility>

namespace marlox::base {

// An error told by its sentence, the text the user reads. Each kind of failure derives its own
// type from it, so that errors of different sources stay apart; some add what they carry.
class DescribedError {
public:
    explicit DescribedError(QString description) : m_description(std::move(description)) {}

    const QString& description() const { return m_description; }

private:
    QString m_description;
};

} // namespace marlox::base
