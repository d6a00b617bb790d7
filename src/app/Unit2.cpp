#include "app/Unit2.h"

#include "app/Resources.h"

#include "toolkit/StdCtrls.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/Unit2.form"));
    Bind(ListBox1, "ListBox1");
}

TForm2::~TForm2()
{
    if (Form2 == this)
        Form2 = nullptr;
}
