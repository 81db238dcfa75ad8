3|1|Marbelo SP
Jonas|2400|
Mira|2950|Phone
Anonymous|100|
5d3a910ea19429a0102d929eed7ade79