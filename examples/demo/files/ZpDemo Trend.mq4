//+------------------------------------------------------------------+
//| ZpDemo Trend: a moving-average slope shown as a coloured line.    |
//| Demo content of the ZpInstall example package.                    |
//+------------------------------------------------------------------+
#property copyright "ZpDemo Software"
#property strict
#property indicator_chart_window
#property indicator_buffers 1
#property indicator_color1 clrDodgerBlue

input int Period = 21;

double Trend[];

int OnInit()
{
   SetIndexBuffer(0, Trend);
   SetIndexLabel(0, "ZpDemo Trend(" + IntegerToString(Period) + ")");
   return INIT_SUCCEEDED;
}

int OnCalculate(const int rates_total, const int prev_calculated,
                const datetime &time[], const double &open[], const double &high[],
                const double &low[], const double &close[], const long &tick_volume[],
                const long &volume[], const int &spread[])
{
   int first = prev_calculated > 0 ? prev_calculated - 1 : 0;
   for (int i = first; i < rates_total; i++)
      Trend[i] = iMA(NULL, 0, Period, 0, MODE_EMA, PRICE_CLOSE, i);
   return rates_total;
}
