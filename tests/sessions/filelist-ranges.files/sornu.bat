 copy VARROW~1.FIT                              img998.fit
 copy VARROW~2.FIT                              img999.fit
 copy VARROW~3.FIT                              img1000.fit
