#pragma once

#include <QString>

#include <stdexcept>

namespace vexa {

// A failure inside a layer (database, decoder, file system) carrying the
// number and text that ReportError shows. Thrown inside a layer only; the
// procedure at the layer's boundary catches it and reports.
class VexaError : public std::runtime_error {
public:
    VexaError(long number, const QString &description);

    long number() const { return m_number; }
    const QString &description() const { return m_description; }

private:
    long m_number;
    QString m_description;
};

// Error numbers of our own, for failures that have no engine number.
enum ErrorNumber : long {
    ErrInvalidProcedureCall = 5,
    ErrSubscriptOutOfRange = 9,
    ErrFileNotFound = 53,
    ErrFileAlreadyExists = 58,
    ErrDiskFull = 61,
    ErrPermissionDenied = 70,
    ErrPathNotFound = 76,
    ErrItemNotFound = 3265,  // a field or key that is not there
    ErrNoCurrentRecord = 3021,
    ErrDatabaseNotOpen = 3420,
};

// The message text of an error report, without showing it:
// "An error occured in module: <module> - <procedure>\r\r<number> - <description>"
QString ErrorReportText(
    long number, const QString &description, const QString &module, const QString &procedure);

// The one error message box: critical icon, OK only, title 767.
void ReportError(
    long number, const QString &description, const QString &module, const QString &procedure);

// Reports a caught exception of any kind in the shape above.
void ReportException(const std::exception &e, const QString &module, const QString &procedure);

// "Name(a, b, c)": the procedure text of a procedure with arguments.
QString ProcedureText(const QString &name, const QStringList &arguments);

}  // namespace vexa
