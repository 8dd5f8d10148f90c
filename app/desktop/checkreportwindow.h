#pragma once

#include <QDialog>

class QPlainTextEdit;

// The share check's report where the board has no console: the text as it
// is (copyable, never read as markup) and a Close button.
class CheckReportWindow : public QDialog
{
    Q_OBJECT
public:
    explicit CheckReportWindow(const QString& report, QWidget* parent = nullptr);

private:
    QPlainTextEdit* m_report = nullptr;
};
