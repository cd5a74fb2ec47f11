<chart>
symbol=EURUSD
period=60
<window>
height=100
<indicator>
name=main
</indicator>
<indicator>
name=Custom Indicator
<expert>
name=ZpDemo Trend
flags=339
inputs=Period=21
</expert>
</indicator>
</window>
</chart>
