object Form2: TForm2
  Left = 329
  Top = 149
  BorderStyle = bsDialog
  Caption = '0'
  ClientHeight = 438
  ClientWidth = 379
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  object ListBox1: TListBox
    Left = 0
    Top = 0
    Width = 379
    Height = 438
    ItemHeight = 13
    TabOrder = 0
  end
end
