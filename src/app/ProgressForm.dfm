object ProgressForm: TProgressForm
  BorderStyle = bsDialog
  ClientHeight = 96
  ClientWidth = 340
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poMainFormCenter
  OnHide = FormHide
  OnShow = FormShow
  object Label1: TLabel
    Left = 12
    Top = 10
  end
  object Label2: TLabel
    Left = 12
    Top = 26
  end
  object Label3: TLabel
    Left = 12
    Top = 42
    Caption = 'Отмена…'
    Visible = False
  end
  object Button1: TButton
    Left = 132
    Top = 62
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Отмена'
    TabOrder = 0
    OnClick = Button1Click
  end
  object Timer1: TTimer
    Interval = 100
    OnTimer = Timer1Timer
  end
end
