#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Allowance.h"
#include "HistoryLayout.h"

class CHistoryDoc;
class CHistoryList;
class CHistoryTree;
class CSettingsStore;
class QComboBox;
class QSplitter;
class QTimer;
class CUsageChartView;

// The History window: the entry filter and the Configure, Print, Export and Close buttons
// along the top, the tree of months and days beside the list of a day's connections, and the
// chart of the chosen month or year under them. It
// disables its owner while it is open and tells it when it closes.
class CHistoryFrame : public QWidget
{
    Q_OBJECT
public:
    // The frame takes the document; it deletes itself when it closes. entries are the
    // phone-book entry names for the filter and the editor.
    CHistoryFrame(std::unique_ptr<CHistoryDoc> doc, CSettingsStore& store, std::vector<std::string> entries,
                  QWidget* owner, std::function<void()> onClosed);
    ~CHistoryFrame() override;

    // Puts the filter on the named entry (nullptr: on what the box shows now) and filters the
    // document with it, also when the box has no such entry.
    void SelectEntry(const std::string* name);
    void EnableEditing(int flag);

    // The current period's standing as the main window counts it: its own log, which goes on
    // growing while this window is open, and the running connection. Without one, the window's
    // copy of the log is counted.
    using StandingSource = std::function<SAllowanceState()>;
    void SetPeriodStanding(StandingSource source);
    // How often "This period so far" is counted again: a minute normally, so that it also
    // turns with the period soon after a boundary.
    static void SetStandingInterval(std::chrono::milliseconds interval);

    void OnConfigure();
    void OnPrint();
    void OnExport();
    void OnContextMenu(const QPoint& screenPoint);

    // Writes the layout of every History window still open: the program is ending without
    // closing them.
    static void SaveOpenLayouts();

    // The outer height of a first window, where the screen has room for it.
    static constexpr int kDefaultHeight = 480;

    CHistoryDoc& GetDocument() const { return *m_pDoc; }
    CHistoryTree* GetTree() const { return m_pTree; }
    CHistoryList* GetList() const { return m_pList; }
    QComboBox* GetFilterBox() const { return m_pFilter; }
    QSplitter* GetSplitter() const { return m_pSplitter; }
    // The splitter between the tree and list above and the chart below.
    QSplitter* GetChartSplitter() const { return m_pChartSplitter; }
    CUsageChartView* GetChartView() const { return m_pChart; }
    int m_bEditEnabled = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFilterChanged(int index);
    void SaveLayout();
    // Widths the settings do not hold are made wide enough for their texts.
    void FitUnstoredWidths();
    // The outer rectangle of a window without a stored one.
    QRect DefaultRect() const;
    // Sets the client rectangle whose frame makes outer, once the frame is known.
    void PlaceInside(const QRect& outer);

    std::unique_ptr<CHistoryDoc> m_pDoc;
    CHistoryLayout m_layout; // as stored when the window opened, unstored widths fitted
    CSettingsStore& m_store;
    std::vector<std::string> m_entries;
    QWidget* m_hWndOwner;
    std::function<void()> m_onClosed;
    QComboBox* m_pFilter = nullptr;
    QSplitter* m_pSplitter = nullptr;
    QSplitter* m_pChartSplitter = nullptr;
    CUsageChartView* m_pChart = nullptr;
    StandingSource m_standing;
    QTimer* m_pStandingTimer = nullptr;
    CHistoryList* m_pList = nullptr;
    CHistoryTree* m_pTree = nullptr;
    QWidget* m_pActivePane = nullptr;
    bool m_bLayoutRestored = false;
    bool m_bRestorePending = false;
    QRect m_restoreOuter;
    QElapsedTimer m_restoreClock;
    bool m_bClosed = false;
};
