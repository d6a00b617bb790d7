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
end
