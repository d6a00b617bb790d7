#pragma once
// The main window: the list of replays the last scan found, the folder field and the four
// buttons (find, browse, delete identical, about). It owns the catalogue the list shows.

#include "app/CatalogueRows.h"
#include "app/JobCounters.h"
#include "app/ProblemList.h"

#include "replays/Catalogue.h"
#include "toolkit/Forms.h"

class TEdit;
class TListBox;
class TListView;
class TMenuItem;
class TPopupMenu;
class TglBitBtn;
class TglHint;

class TForm1 : public TForm {
    Q_OBJECT

public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    TEdit* Edit1 = nullptr;
    TListView* ListView1 = nullptr;
    TListBox* ListBox1 = nullptr;
    TListBox* ListBox2 = nullptr;
    TglHint* glHint1 = nullptr;
    TglBitBtn* glBitBtn1 = nullptr;
    TglBitBtn* glBitBtn2 = nullptr;
    TglBitBtn* glBitBtn3 = nullptr;
    TglBitBtn* glBitBtn4 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* MenuItem1 = nullptr;

    // The rows of the last scan.
    const replays::Catalogue& Catalogue() const { return FCatalogue; }

    // How the window shows what a job passed over or kept (app::ShowProblems unless set); returns
    // the presenter it replaces.
    app::ProblemsPresenter SetProblemsPresenter(app::ProblemsPresenter presenter);
    // Run at every progress report of the jobs started from now on (none unless set).
    void SetJobProgressHook(app::JobProgressHook hook) { FJobProgressHook = std::move(hook); }

public slots:
    // Find replays below the folder in Edit1.
    void glBitBtn1Click(TObject* Sender);
    // Pick the folder.
    void glBitBtn2Click(TObject* Sender);
    // Delete identical replays, then disable the button until the next scan.
    void glBitBtn3Click(TObject* Sender);
    // About the program.
    void glBitBtn4Click(TObject* Sender);
    // The list's menu: what the last scan passed over.
    void MenuItem1Click(TObject* Sender);

private:
    // ListView1 shows no rows while a scan runs, and the last scan's catalogue goes; then the
    // scan's catalogue takes its place and ListView1 shows its rows.
    void DropRows();
    void ShowRows(replays::Catalogue catalogue);

    replays::Catalogue FCatalogue;
    app::CatalogueRows FRows{FCatalogue};
    app::ProblemsPresenter FShowProblems = app::ShowProblems;
    app::JobProgressHook FJobProgressHook;
    // What the last scan passed over: files it could not read, read-only replays, files too short
    // to be replays.
    std::vector<app::Problem> FPassedOver;
};

extern TForm1* Form1;
