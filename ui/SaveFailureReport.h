#pragma once

#include <QPointer>
#include <exception>
#include <set>
#include <string>

class QMessageBox;
class QWidget;

// Tells the user in a non-modal box that the settings cannot be saved, and where; once per kind
// of failure, since every timed change saves again and would otherwise bring a box each time.
// The program runs on with its settings in memory.
class SaveFailureReport final {
public:
    explicit SaveFailureReport(QWidget* parent) : parent(parent) {}

    // True when the error is a failed write of a file in the settings folder.
    static bool IsSaveFailure(const std::exception& error);
    void Report(const std::exception& error);

private:
    QWidget* parent;
    std::set<std::string> reportedKinds;
    QPointer<QMessageBox> box;
};
