#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

class CDialogUnits;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// One page of a CPropertySheet, drawn from a dialog template whose size is given in dialog
// units. The sheet builds a page's controls only when the page is first shown, so a page the
// user never opens hands back exactly the values its owner gave it.
class CPropertyPage : public QWidget
{
    Q_OBJECT

public:
    CPropertyPage(const QString& title, int templateWidth, int templateHeight, QWidget* parent = nullptr);

    const QString& GetTitle() const { return m_strTitle; }
    QSize GetTemplateSize() const { return m_sizeTemplate; } // dialog units
    bool IsCreated() const { return m_bCreated; }

    // false: the members go into the controls. true: the controls are read into the members in
    // the page's fixed order; a field that refuses its text shows the standard message, takes
    // the focus and stops the reading, and the result is false.
    bool UpdateData(bool saveAndValidate = true);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // Builds the template's controls as children of the page.
    virtual void CreateControls(const CDialogUnits& units) = 0;
    // Runs once the controls exist; by default the fields receive the members.
    virtual void OnInitDialog();
    // The members and their controls, in the page's fixed order. Chain the Exchange helpers
    // with && so that the first refused field ends the exchange.
    virtual bool DoDataExchange(bool save) = 0;
    // The page comes to the front; from the second time on, its fields are written again.
    virtual void OnSetActive();
    // The page is about to be left or the sheet closed with OK; false keeps the page in front.
    virtual bool OnKillActive();

    // The selection index; -1 is no selection.
    static bool ExchangeComboIndex(bool save, QComboBox* list, int& index);
    // An integer field with its range check.
    bool ExchangeInt(bool save, QLineEdit* edit, int& value, int min, int max);

    // Controls placed at their template rectangle, named after their number so that tests can
    // find them (a text with number 0 stays unnamed).
    static QCheckBox* AddCheck(QWidget* page, int id, const QString& text, const QRect& area);
    static QLabel* AddText(QWidget* page, int id, const QString& text, const QRect& area);
    static QComboBox* AddList(QWidget* page, int id, const QRect& area);

    // The page's decorative picture, icon resource number resourceId, fitted into area. The
    // area stays empty when the program carries no such picture.
    QLabel* AddPicture(int resourceId, const QRect& area);

    // Shows why a field was refused, puts the focus in it and gives false.
    bool FailField(QLineEdit* edit, const QString& message);

private:
    friend class CPropertySheet;

    void Create();

    QString m_strTitle;
    QSize m_sizeTemplate;
    bool m_bCreated = false;
    bool m_bFirstSetActive = true;
};
