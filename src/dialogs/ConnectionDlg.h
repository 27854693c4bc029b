#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "Connection.h"
#include "Time.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The editor of one connection: start and end date and time, the length between them and the
// entry name. A change of the start or the end recomputes the length, a change of the length
// recomputes the end; every change goes through compose and split, so fields that overflow
// carry into their neighbours at once. The record is written only on OK.
class CConnectionDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 160,
        IDC_ENTRY = 1028,
        IDC_START_MONTH = 1037,
        IDC_END_MONTH = 1038,
        IDC_START_YEAR = 1039,
        IDC_END_YEAR = 1040,
        IDC_START_YEAR_SPIN = 1041,
        IDC_END_YEAR_SPIN = 1042,
        IDC_START_HOURS = 1043,
        IDC_START_HOURS_SPIN = 1044,
        IDC_START_MINUTES = 1045,
        IDC_START_MINUTES_SPIN = 1046,
        IDC_START_SECONDS = 1047,
        IDC_START_SECONDS_SPIN = 1048,
        IDC_END_HOURS = 1049,
        IDC_END_HOURS_SPIN = 1050,
        IDC_END_MINUTES = 1051,
        IDC_END_MINUTES_SPIN = 1052,
        IDC_END_SECONDS = 1053,
        IDC_END_SECONDS_SPIN = 1054,
        IDC_LENGTH_HOURS = 1055,
        IDC_LENGTH_HOURS_SPIN = 1056,
        IDC_LENGTH_MINUTES = 1057,
        IDC_LENGTH_MINUTES_SPIN = 1058,
        IDC_LENGTH_SECONDS = 1059,
        IDC_LENGTH_SECONDS_SPIN = 1060,
        IDC_START_DAY = 1061,
        IDC_START_DAY_SPIN = 1062,
        IDC_END_DAY = 1063,
        IDC_END_DAY_SPIN = 1064,
    };

    // Edit fields are named "edit<id>", month lists and the entry combo "combo<id>", the two
    // halves of a spin button "spin<id>Up" and "spin<id>Down", the inline message "message".
    CConnectionDlg(CConnection& record, const std::vector<std::string>& entries, QWidget* parent = nullptr);

    // OK: stores the fields in the record, or keeps the dialog open on a field that is wrong.
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class EGroup
    {
        Start,
        End,
        Length,
    };

    void CreateControls();
    // The message in a red that can be read on the dialog's background.
    void ColourMessage();
    void OnInitDialog();
    void FillEntries();

    // Reads every field with its range check into the members; on failure the members keep
    // their values and failedField and message tell what was wrong.
    bool ReadFields(int& failedField, QString& message);
    void WriteFields();
    int& Value(int field);

    void OnFieldChanged(int field);
    void Step(int field, int delta);
    // The instant the fields of one group stand for, given the last valid instant of the group.
    CTime Resolve(EGroup group, CTime current) const;
    void Refuse(int field, const QString& message);
    void ClearRefusal();
    void FocusField(int field);
    QString RangeMessage(EGroup group) const;
    QString OrderMessage() const;

    void OnNameEdited(const QString& text);
    std::string NameBytes() const;

    CConnection& m_record;
    std::vector<std::string> m_vecEntries;

    int m_nStartYear = 0;
    int m_nStartMonth = 0; // 0 = January
    int m_nStartDay = 0;
    int m_nStartHours = 0;
    int m_nStartMinutes = 0;
    int m_nStartSeconds = 0;
    int m_nEndYear = 0;
    int m_nEndMonth = 0;
    int m_nEndDay = 0;
    int m_nEndHours = 0;
    int m_nEndMinutes = 0;
    int m_nEndSeconds = 0;
    int m_nLengthHours = 0;
    int m_nLengthMinutes = 0;
    int m_nLengthSeconds = 0;
    // The last valid instants the fields were made from.
    CTime m_timeStart;
    CTime m_timeEnd;

    bool m_bInitialized = false;
    bool m_bExchanging = false;
    // A spin step in progress: which field and by how much.
    int m_nStepField = 0;
    int m_nStepDelta = 0;
    // The field whose change was refused, 0 while the fields agree with each other.
    int m_nRefusedField = 0;
    QString m_strRefusal;
    QString m_strNameShown;

    std::map<int, QLineEdit*> m_mapEdits;
    QComboBox* m_pStartMonth = nullptr;
    QComboBox* m_pEndMonth = nullptr;
    QComboBox* m_pEntry = nullptr;
    QLabel* m_pMessage = nullptr;
};
