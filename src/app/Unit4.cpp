#include "app/Unit4.h"

#include "app/Resources.h"
#include "app/Unit1.h"

#include "shell/ShellTreeView.h"
#include "toolkit/Buttons.h"
#include "toolkit/StdCtrls.h"

#include "platform/shellns/Wide.h"

TForm4* Form4 = nullptr;

TForm4::TForm4(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/Unit4.form"));
    Bind(BitBtn1, "BitBtn1");
    Bind(BitBtn2, "BitBtn2");
    Bind(ShellTreeView1, "ShellTreeView1");
}

TForm4::~TForm4()
{
    if (Form4 == this)
        Form4 = nullptr;
}

void TForm4::BitBtn1Click(TObject*)
{
    // The path is bytes on disk; the field shows it as text that the scan turns back into them.
    Form1->Edit1->SetText(shellns::PathToText(ShellTreeView1->SelectedPath()));
    Close();
}

void TForm4::BitBtn2Click(TObject*)
{
    Close();
}
